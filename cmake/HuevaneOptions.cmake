# Compiler settings shared by every target of the project.

# Gradients are carried in single precision and must round exactly like IEEE
# single-precision arithmetic: no fused multiply-adds, and on i686 the SSE
# unit instead of the x87 stack (whose 80-bit registers would keep extra bits).
add_compile_options(-Wall -Wextra -ffp-contract=off)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i686|i386|x86$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32 AND CMAKE_SYSTEM_PROCESSOR MATCHES "i686|i386|x86$")
  # GCC 12's identical-code folding has been seen to merge an empty member
  # function (thiscall: the callee pops its argument) with an empty cdecl
  # function; a call through the merged copy leaves the stack unbalanced.
  add_compile_options(-fno-ipa-icf)
endif()

# Every function and datum in a section of its own, so that the linker keeps
# only what the programs reach.
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)

# Line tables and function names (-g1 changes no code): with the symbol files
# kept beside the stripped programs, an address from a crash report names its
# function and line.
add_compile_options(-g1)

# Reproducible builds: the same sources built in any folder give the same
# bytes. Folder names reach objects through __FILE__ and friends; map the
# source and build folders away (paths become relative to them). A compiler
# cache with a base folder (ccache's base_dir) hands the compiler the
# sources relative to the build folder instead: that form is mapped too.
file(RELATIVE_PATH huevane_source_from_build ${CMAKE_BINARY_DIR} ${PROJECT_SOURCE_DIR})
string(REGEX REPLACE "/$" "" huevane_source_from_build "${huevane_source_from_build}")
add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>"
                    "$<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${huevane_source_from_build}/=>")

if(WIN32)
  # Plain system DLLs only: no libstdc++/libgcc/winpthread DLLs beside the exe.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # No link time in the PE header (reproducible builds). The oldest system
  # the programs load on is Windows Vista (6.0): the static threading
  # library imports GetTickCount64, and the header says so, so that older
  # systems refuse the file at once instead of failing on a missing import.
  add_link_options(-Wl,--no-insert-timestamp
                   -Wl,--major-os-version,6 -Wl,--minor-os-version,0
                   -Wl,--major-subsystem-version,6 -Wl,--minor-subsystem-version,0)
  # The headers declare only what Vista (0x0600, the oldest system we state)
  # has, so a call that exists from Windows 7 on fails to compile instead of
  # failing to load on Vista. A newer call the programs can do without is
  # looked up at run time instead, as CreateHardLinkW is.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600)
endif()

# The Windows programs' window, menu, dialog, desktop and argument code runs
# at the pace of a user's clicks: optimised for size (about 60 KB less of
# huevane.exe), while the gradient (render/) and the file it is written to
# (files/) keep -O3. Called with targets, it marks those; called without, at the top
# of a folder that holds only such code, every target the folder makes after
# it, so that a new one cannot be left out.
function(huevane_optimize_for_size)
  if(NOT WIN32)
    return()
  endif()
  if(ARGN)
    foreach(target IN LISTS ARGN)
      target_compile_options(${target} PRIVATE -Os)
    endforeach()
  else()
    add_compile_options(-Os)
  endif()
endfunction()

# Executables land at the top of the build folder: build/native/huevane-render,
# build/win32/huevane.exe.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

set(HUEVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
    -fno-omit-frame-pointer)

# huevane_core_library(NAME SOURCES... [DEPENDS LIBRARY...]): a library of the
# portable core, and natively the same again as NAME_san, built with the
# sanitizers for the test suite over the DEPENDS' own _san builds.
function(huevane_core_library name)
  cmake_parse_arguments(core "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${core_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${core_DEPENDS})
  if(WIN32)
    target_link_libraries(${name} PUBLIC huevane_win32)
    return()
  endif()
  add_library(${name}_san STATIC ${core_SOURCES})
  target_include_directories(${name}_san PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name}_san PUBLIC ${HUEVANE_SANITIZER_FLAGS})
  target_link_options(${name}_san PUBLIC ${HUEVANE_SANITIZER_FLAGS})
  list(TRANSFORM core_DEPENDS APPEND _san)
  target_link_libraries(${name}_san PUBLIC ${core_DEPENDS})
endfunction()
