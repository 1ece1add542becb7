# Package: how `cpack -G DEB` in the build directory packs the game for Debian. Included from the
# top level just before CPack itself; what goes in is what app/CMakeLists.txt installs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cubatro)
set(CPACK_PACKAGE_VENDOR "The Cubatro developers")
set(CPACK_PACKAGE_CONTACT "Cubatro maintainers <maintainers@cubatro.net>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://cubatro.net/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D game of a rolling block of marble cubes")
# The long description, as it shows in the package's control file (lines of under 80 columns).
set(CPACK_PACKAGE_DESCRIPTION [[
A block of 5 x 7 marble cubes rolls toward you over a floor of 5 x 25 tiles,
tipping forward one tile at a time. You are a brass key: walk the floor, mark
the tile under you and fire the mark, and the cube standing on that tile
darkens and vanishes. Once the block has rolled off the near end, the floor
crumbles row by row.

The game is played with the keyboard and drawn with OpenGL; a lens flare glows
over the scene and a small window shows the frame rate.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
