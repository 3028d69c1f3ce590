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

# huevane_add_resources(TARGET SCRIPT): compiles the resource script SCRIPT
# (in resources/) into TARGET. windres reads the files the script names
# itself, so nothing tells the build about them: they are taken from the
# script here, from every line of the form NAME TYPE "file" and every
# #include "fragment.rc" beside it, and the script is rebuilt when any of them, or the version
# header, changes. Editing the script reconfigures, so a new resource is
# picked up too.
function(huevane_add_resources target script)
  set(script ${PROJECT_SOURCE_DIR}/resources/${script})
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script})
  file(STRINGS ${script} lines
       REGEX "^([A-Za-z0-9_]+[ \t]+[A-Za-z0-9_]+[ \t]+\"[^\"]+\"|#include \"[^\"/]+\\.rc\")")
  set(files)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*$" "\\1" name "${line}")
    cmake_path(ABSOLUTE_PATH name BASE_DIRECTORY ${PROJECT_SOURCE_DIR}/resources NORMALIZE
               OUTPUT_VARIABLE file)
    if(NOT EXISTS ${file} OR IS_DIRECTORY ${file})
      message(FATAL_ERROR "${script} names \"${name}\", which is not a file")
    endif()
    list(APPEND files ${file})
  endforeach()
  target_sources(${target} PRIVATE ${script})
  target_link_libraries(${target} PRIVATE huevane_version)
  set_source_files_properties(${script} TARGET_DIRECTORY ${target} PROPERTIES
    OBJECT_DEPENDS "${files};${HUEVANE_VERSION_HEADER}")
endfunction()

# huevane_add_program_resources(TARGET): the program's resources (icons,
# pictures, agreement, cues, manifest, version information) in TARGET:
# huevane, and the tests and benchmarks that build the program's windows.
function(huevane_add_program_resources target)
  huevane_add_resources(${target} huevane.rc)
endfunction()
