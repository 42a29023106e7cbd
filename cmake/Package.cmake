# make package (the "package" target): a Debian package of the install layout under /usr.
set(FRAGDECK_PACKAGE_MAINTAINER
    "Fragdeck developers <maintainers@users.noreply.c-seed-f5038391.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fragdeck)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Fragdeck developers")
set(CPACK_PACKAGE_CONTACT ${FRAGDECK_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tool suite for Quake III Arena, ioquake3 and OpenArena")
# Debian wants the long description in lines of under 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Fragdeck opens every tool for Quake III Arena players and server operators"
    "from one launcher window with themed icons: a server browser that queries"
    "game servers and joins them, a remote console, a q3config.cfg editor, a"
    "coloured-name maker, a pk3 archive explorer, a match starter for (dedicated)"
    "servers, a demo player, a key binder and a network tuner. It serves"
    "ioquake3 and OpenArena as well."
    ""
    "fragdeck-query queries game servers and fragdeck-demo reads recorded demos"
    "from the command line.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FRAGDECK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt, libzip and SQLite as the linker sees them; the rest is loaded at run time, where
# dpkg-shlibdeps cannot see it: TGA level shots need the image format plugins, and the
# desktop platform plugins beyond X11 come in their own packages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openarena | ioquake3, openarena-server")

include(CPack)
