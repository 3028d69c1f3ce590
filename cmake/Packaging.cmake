# What a release holds and how CPack packs it (scripts/package runs cpack):
#   win32 tree   huevane-<version>-win32.zip: huevane.exe, huevane-render.exe,
#                README.txt and LICENSE.txt (the end-user agreement), with
#                Windows line ends, at the top of the zip
#   native tree  huevane-render-<version>-linux-<cpu>.tar.gz and a .deb:
#                huevane-render, its manual page made from its own --help,
#                and the agreement as the copyright file
# With SOURCE_DATE_EPOCH set, CPack stamps every entry with that time, so two
# builds of the same commit give the same archive byte for byte.

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_VENDOR "Huevane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Huevane authors")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/resources/agreement.txt)
set(huevane_package_files ${CMAKE_BINARY_DIR}/package-files)
# Archive entries in a fixed order. Without components CPack lists the
# staging folder as the file system returns it, which on ext4 is hash order,
# different from one file system to another; a component's files are listed
# sorted by name.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME release)
set(CPACK_COMPONENTS_ALL release)

if(WIN32)
  install(TARGETS huevane huevane-render RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/resources/windows-readme.txt ${huevane_package_files}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/resources/agreement.txt
                 ${huevane_package_files}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${huevane_package_files}/README.txt ${huevane_package_files}/LICENSE.txt
          DESTINATION .)

  set(CPACK_PACKAGE_NAME huevane)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Gradient wallpaper maker for Windows")
  set(CPACK_GENERATOR ZIP)
  # Explorer's "Extract All" already makes a folder named after the zip.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_FILE_NAME huevane-${PROJECT_VERSION}-win32)
else()
  install(TARGETS huevane-render RUNTIME DESTINATION bin)
  set(manual ${huevane_package_files}/huevane-render.1.gz)
  add_custom_command(
    OUTPUT ${manual}
    COMMAND ${CMAKE_COMMAND} -DEXE=$<TARGET_FILE:huevane-render> -DOUT=${manual}
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/HelpManual.cmake
    DEPENDS huevane-render ${PROJECT_SOURCE_DIR}/cmake/HelpManual.cmake
    COMMENT "Writing huevane-render's manual page from its --help" VERBATIM)
  add_custom_target(huevane-render-manual ALL DEPENDS ${manual})
  install(FILES ${manual} DESTINATION share/man/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/agreement.txt
          DESTINATION share/doc/huevane-render RENAME copyright)

  set(CPACK_PACKAGE_NAME huevane-render)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Paints a two-colour gradient into a 24-bit BMP file")
  set(CPACK_GENERATOR TGZ DEB)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" huevane_system)
  set(CPACK_PACKAGE_FILE_NAME huevane-render-${PROJECT_VERSION}-${huevane_system})
  # One folder in the tarball, named after it.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # Below the summary line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "huevane-render is the command-line renderer of Huevane, the gradient\n\
wallpaper maker for Windows: the same six gradient styles, pixel for pixel.")
endif()

include(CPack)

if(WIN32 AND BUILD_TESTING)
  # The shipped files built a second time, in a second folder, from a copy of
  # the sources: byte for byte the same as this tree's. Started first, beside
  # the other tests, as it takes the longest.
  add_test(NAME win32.release.reproducible
           COMMAND ${CMAKE_COMMAND} -DSOURCE=${PROJECT_SOURCE_DIR} -DFIRST=${CMAKE_BINARY_DIR}
                   -DWORK=${CMAKE_BINARY_DIR}/reproducible -DJOBS=2
                   -P ${PROJECT_SOURCE_DIR}/cmake/ReproducibleCheck.cmake)
  set_tests_properties(win32.release.reproducible PROPERTIES
                       LABELS "win32;release" TIMEOUT 900 COST 10000
                       ENVIRONMENT "SOURCE_DATE_EPOCH=1780000000;TZ=UTC")
endif()
