# The program's version and its resource script.
#
# The version is set once, by project() in the top CMakeLists.txt. It reaches
# the code and the resource script through one generated header,
# app/version.h under <build>/generated, which targets get by linking
# huevane_version.
set(HUEVANE_VERSION_FULL)
foreach(part MAJOR MINOR PATCH TWEAK)
  set(HUEVANE_VERSION_${part} 0)
  if(NOT "${PROJECT_VERSION_${part}}" STREQUAL "")
    set(HUEVANE_VERSION_${part} ${PROJECT_VERSION_${part}})
  endif()
  list(APPEND HUEVANE_VERSION_FULL ${HUEVANE_VERSION_${part}})
endforeach()
list(JOIN HUEVANE_VERSION_FULL "." HUEVANE_VERSION_FULL)
set(HUEVANE_VERSION_HEADER ${PROJECT_BINARY_DIR}/generated/app/version.h)
configure_file(${PROJECT_SOURCE_DIR}/app/version.h.in ${HUEVANE_VERSION_HEADER} @ONLY)
add_library(huevane_version INTERFACE)
target_include_directories(huevane_version INTERFACE ${PROJECT_BINARY_DIR}/generated)

# huevane_add_program_resources(TARGET): compiles the program's resource
# script into TARGET (huevane, and the tests and benchmarks that build the
# program's windows). windres reads the files the script names itself, so
# nothing tells the build about them: they are taken from the script here,
# from every line of the form NAME TYPE "file", and the script is rebuilt
# when any of them, or the version header, changes. Editing the script
# reconfigures, so a new resource is picked up too.
set(HUEVANE_RESOURCE_SCRIPT ${PROJECT_SOURCE_DIR}/resources/huevane.rc)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${HUEVANE_RESOURCE_SCRIPT})
file(STRINGS ${HUEVANE_RESOURCE_SCRIPT} huevane_resource_lines
     REGEX "^[A-Za-z0-9_]+[ \t]+[A-Za-z0-9_]+[ \t]+\"[^\"]+\"")
set(HUEVANE_RESOURCE_FILES)
foreach(line IN LISTS huevane_resource_lines)
  string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" name "${line}")
  cmake_path(ABSOLUTE_PATH name BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/resources
             NORMALIZE OUTPUT_VARIABLE file)
  if(NOT EXISTS ${file} OR IS_DIRECTORY ${file})
    message(FATAL_ERROR "${HUEVANE_RESOURCE_SCRIPT} names \"${name}\", which is not a file")
  endif()
  list(APPEND HUEVANE_RESOURCE_FILES ${file})
endforeach()

function(huevane_add_program_resources target)
  target_sources(${target} PRIVATE ${HUEVANE_RESOURCE_SCRIPT})
  target_link_libraries(${target} PRIVATE huevane_version)
  set_source_files_properties(${HUEVANE_RESOURCE_SCRIPT} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${HUEVANE_RESOURCE_FILES};${HUEVANE_VERSION_HEADER}")
endfunction()
