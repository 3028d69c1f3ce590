# What a release holds and how CPack packs it (scripts/package runs cpack in
# both trees):
#   win32 tree   huevane-<version>-win32.zip: huevane.exe and
#                huevane-render.exe, stripped, with README.txt, LICENSE.txt
#                (the end-user agreement) and CHANGES.txt, all with Windows
#                line ends, at the top of the zip;
#                huevane-<version>-win32-symbols.zip: the symbols of both
#   native tree  huevane-render-<version>-linux-<cpu>.tar.gz and a .deb:
#                huevane-render, stripped, its manual page made from its own
#                --help, and the licence as the copyright file;
#                huevane-render-<version>-linux-<cpu>-symbols.tar.gz: its
#                symbols
# With SOURCE_DATE_EPOCH set, CPack stamps every entry with that time, so two
# builds of the same commit give the same archives byte for byte, as long as
# the umask and the owner are fixed too (scripts/package does both).

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_VENDOR "Huevane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Huevane authors <maintainers@users.noreply.c-seed-00ec2640.example>")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(huevane_package_files ${CMAKE_BINARY_DIR}/package-files)
# Archive entries in a fixed order. Without components CPack lists the
# staging folder as the file system returns it, which on ext4 is hash order,
# different from one file system to another; a component's files are listed
# sorted by name. One package a component: the release, and its symbols.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME release)
set(CPACK_COMPONENTS_ALL release symbols)
# What differs between the generators of one tree (the .deb takes no
# symbols and no top folder): cmake/PackagingGenerators.cmake.
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackagingGenerators.cmake)

# The files a text names are read when configuring: a change reconfigures.
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/resources/agreement.txt ${PROJECT_SOURCE_DIR}/CHANGELOG.md)

include(${CMAKE_CURRENT_LIST_DIR}/TextLines.cmake)

# huevane_ship_stripped(TARGET DESTINATION): shipped/NAME, the target's program without
# its symbols, and shipped/NAME.debug, the symbols alone (objcopy
# --only-keep-debug). The stripped file names its symbol file, with a
# checksum, in a .gnu_debuglink section, so a debugger given the program
# finds the symbols beside it, and addr2line reads an address from a crash
# report against the symbol file. The build's own program keeps its symbols;
# the tests run it. Both install into DESTINATION, each in its own package:
# the symbols package unpacked where the release was puts the symbol file
# beside its program.
function(huevane_ship_stripped target destination)
  set(name ${target}${CMAKE_EXECUTABLE_SUFFIX})
  set(shipped ${CMAKE_BINARY_DIR}/shipped)
  # objcopy stamps a PE file it writes with the current time unless
  # SOURCE_DATE_EPOCH gives one: 0, as the linker leaves it.
  set(objcopy ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY})
  add_custom_command(
    OUTPUT ${shipped}/${name} ${shipped}/${name}.debug
    COMMAND ${CMAKE_COMMAND} -E make_directory ${shipped}
    COMMAND ${objcopy} --only-keep-debug $<TARGET_FILE:${target}> ${shipped}/${name}.debug
    COMMAND ${objcopy} --strip-all --add-gnu-debuglink=${shipped}/${name}.debug
            $<TARGET_FILE:${target}> ${shipped}/${name}
    DEPENDS ${target}
    COMMENT "Stripping ${name}, its symbols into ${name}.debug" VERBATIM)
  add_custom_target(${target}-shipped ALL DEPENDS ${shipped}/${name} ${shipped}/${name}.debug)
  install(PROGRAMS ${shipped}/${name} DESTINATION ${destination} COMPONENT release)
  install(FILES ${shipped}/${name}.debug DESTINATION ${destination} COMPONENT symbols)
endfunction()

if(WIN32)
  huevane_ship_stripped(huevane .)
  huevane_ship_stripped(huevane-render .)

  configure_file(${PROJECT_SOURCE_DIR}/resources/windows-readme.txt ${huevane_package_files}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  # The agreement keeps one line a paragraph, as the About dialog wraps it
  # to its own width; a reader in Notepad with word wrap off gets lines of at
  # most 78 characters, as README.txt has.
  file(READ ${PROJECT_SOURCE_DIR}/resources/agreement.txt agreement)
  huevane_wrap_text("${agreement}" 78 agreement)
  file(CONFIGURE OUTPUT ${huevane_package_files}/LICENSE.txt CONTENT "${agreement}" @ONLY
       NEWLINE_STYLE CRLF)
  # CHANGES.txt: the newest section of CHANGELOG.md, from its "## VERSION"
  # heading to the next one, under a plain title.
  file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog)
  string(FIND "${changelog}" "\n## " first)
  if(first EQUAL -1)
    message(FATAL_ERROR "CHANGELOG.md has no \"## VERSION\" section")
  endif()
  math(EXPR first "${first} + 4")
  string(SUBSTRING "${changelog}" ${first} -1 newest)
  string(FIND "${newest}" "\n## " end)
  if(NOT end EQUAL -1)
    string(SUBSTRING "${newest}" 0 ${end} newest)
  endif()
  string(FIND "${newest}" "\n" heading_end)
  string(SUBSTRING "${newest}" 0 ${heading_end} heading)
  string(SUBSTRING "${newest}" ${heading_end} -1 newest)
  string(STRIP "${newest}" newest)
  set(title "Changes in Huevane ${heading}")
  string(LENGTH "${title}" title_length)
  string(REPEAT "=" ${title_length} underline)
  huevane_wrap_text("${title}\n${underline}\n\n${newest}\n" 78 changes)
  file(CONFIGURE OUTPUT ${huevane_package_files}/CHANGES.txt CONTENT "${changes}" @ONLY
       NEWLINE_STYLE CRLF)
  install(FILES ${huevane_package_files}/README.txt ${huevane_package_files}/LICENSE.txt
                ${huevane_package_files}/CHANGES.txt
          DESTINATION . COMPONENT release)

  set(CPACK_PACKAGE_NAME huevane)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Gradient wallpaper maker for Windows")
  set(CPACK_GENERATOR ZIP)
  # Explorer's "Extract All" already makes a folder named after the zip.
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGE_FILE_NAME huevane-${PROJECT_VERSION}-win32)
  set(CPACK_ARCHIVE_RELEASE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
  set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-symbols)
else()
  huevane_ship_stripped(huevane-render bin)
  # The manual page is written when packing, not when building, so that its
  # date is the release's: SOURCE_DATE_EPOCH as the packing sees it.
  set(manual ${huevane_package_files}/huevane-render.1.gz)
  install(CODE "execute_process(
    COMMAND \"${CMAKE_COMMAND}\" \"-DEXE=$<TARGET_FILE:huevane-render>\" \"-DOUT=${manual}\"
            -DVERSION=${PROJECT_VERSION} -P \"${PROJECT_SOURCE_DIR}/cmake/HelpManual.cmake\"
    COMMAND_ERROR_IS_FATAL ANY)" COMPONENT release)
  install(FILES ${manual} DESTINATION share/man/man1 COMPONENT release)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION share/doc/huevane-render
          RENAME copyright COMPONENT release)

  set(CPACK_PACKAGE_NAME huevane-render)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Paints a two-colour gradient into a 24-bit BMP file")
  set(CPACK_GENERATOR TGZ DEB)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" huevane_system)
  set(CPACK_PACKAGE_FILE_NAME huevane-render-${PROJECT_VERSION}-${huevane_system})
  set(CPACK_ARCHIVE_RELEASE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
  set(CPACK_ARCHIVE_SYMBOLS_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-symbols)
  # One folder in each tarball, named after it (the .deb has none).
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # Below the summary line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "huevane-render is the command-line renderer of Huevane, the gradient\n\
wallpaper maker for Windows: the same six gradient styles, pixel for pixel.")
endif()

include(CPack)

if(WIN32 AND BUILD_TESTING)
  # The release packed from this tree and the native one beside it, and again
  # from a copy of the sources built elsewhere by another user under another
  # umask: every shipped file must be there on both sides and the same byte
  # for byte; the packages must hold what they should. Started first, beside
  # the other tests, as it takes the longest.
  get_filename_component(huevane_build_root ${CMAKE_BINARY_DIR} DIRECTORY)
  add_test(NAME win32.release.reproducible
           COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/release-check ${PROJECT_SOURCE_DIR}
                   ${huevane_build_root} ${CMAKE_BINARY_DIR}/release-check ${PROJECT_VERSION})
  set_tests_properties(win32.release.reproducible PROPERTIES
                       LABELS "win32;release" TIMEOUT 900 COST 10000
                       ENVIRONMENT "SOURCE_DATE_EPOCH=1780000000")
endif()
