# Read by cpack for each generator it runs, after the settings of
# cmake/Packaging.cmake, for what differs between them.
if(CPACK_GENERATOR STREQUAL "DEB")
  # A Debian package holds the release alone, its files under /usr as they
  # are, without the tarball's top folder: dpkg -i puts huevane-render in
  # /usr/bin. One package, named huevane-render.
  set(CPACK_COMPONENTS_ALL release)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
