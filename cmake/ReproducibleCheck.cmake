# Two builds of the same sources in two different folders must give the same
# shipped files byte for byte: huevane.exe, huevane-render.exe and the release
# zip. Copies the source folder, builds only the shipped targets there with
# the same toolchain and no compiler cache (a cached object would hide a
# difference), packs both trees and compares.
#
#   cmake -DSOURCE=<source folder> -DFIRST=<built win32 tree> -DWORK=<scratch folder>
#         -DJOBS=2 -P ReproducibleCheck.cmake
#
# SOURCE_DATE_EPOCH and TZ come from the caller; both packs use the same.
cmake_minimum_required(VERSION 3.25)

set(copy ${WORK}/source)
set(second ${WORK}/build)

# The source as it stands, without build output or version-control data.
file(GLOB entries LIST_DIRECTORIES true RELATIVE ${SOURCE} ${SOURCE}/*)
list(REMOVE_ITEM entries build dist .git)
file(REMOVE_RECURSE ${copy})
file(MAKE_DIRECTORY ${copy})
foreach(entry IN LISTS entries)
  file(COPY ${SOURCE}/${entry} DESTINATION ${copy})
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "failed (${status}): ${command}")
  endif()
endfunction()

set(ENV{CCACHE_DISABLE} 1)
message(STATUS "second build in ${second}")
run(${CMAKE_COMMAND} -S ${copy} -B ${second} -G Ninja -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_TOOLCHAIN_FILE=${copy}/cmake/toolchain-mingw32.cmake -DBUILD_TESTING=OFF
    -DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER=)
run(${CMAKE_COMMAND} --build ${second} --parallel ${JOBS} --target huevane huevane-render)

set(first ${FIRST})
foreach(tree IN ITEMS first second)
  set(dir ${${tree}})
  file(REMOVE_RECURSE ${WORK}/pack-${tree})
  run(${CMAKE_COMMAND} -E chdir ${dir} cpack -G ZIP -B ${WORK}/pack-${tree})
  file(GLOB zip ${WORK}/pack-${tree}/*.zip)
  set(${tree}_files ${dir}/huevane.exe ${dir}/huevane-render.exe ${zip})
endforeach()

set(same TRUE)
foreach(first_file second_file IN ZIP_LISTS first_files second_files)
  file(SHA256 ${first_file} a)
  file(SHA256 ${second_file} b)
  get_filename_component(name ${first_file} NAME)
  if(a STREQUAL b)
    message(STATUS "same      ${a}  ${name}")
  else()
    message(STATUS "DIFFERENT ${a}  ${first_file}\n          ${b}  ${second_file}")
    set(same FALSE)
  endif()
endforeach()
if(NOT same)
  message(FATAL_ERROR "the two builds differ")
endif()
