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
