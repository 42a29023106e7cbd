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
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${FRAGDECK_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Qt, libzip, SQLite and libloc as the linker sees them. dpkg-shlibdeps cannot see the
# plugins Qt loads at run time: TGA level shots need the image format plugins, and the
# platform plugins that libqt6gui6 only recommends are wanted too (Wayland's in
# qt6-wayland). Countries need libloc's database and the flags, read where Debian puts
# them; without them the Country column is empty and says why.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, qt6-qpa-plugins, libloc1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-wayland, xdg-utils, libloc-database, famfamfam-flag-png")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openarena | ioquake3, openarena-server")

# What Debian wants beside the program, in the package only, from debian/: the copyright
# file (pointing at the system's copy of the licence), the changelog, and lintian's
# overrides with the reason for each.
set(package_extra ${CMAKE_BINARY_DIR}/package-extra)
set(package_doc ${package_extra}/usr/share/doc/fragdeck)
file(REMOVE_RECURSE ${package_extra})
file(MAKE_DIRECTORY ${package_doc} ${package_extra}/usr/share/lintian/overrides)
configure_file(${CMAKE_SOURCE_DIR}/debian/copyright ${package_doc}/copyright COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/debian/fragdeck.lintian-overrides
    ${package_extra}/usr/share/lintian/overrides/fragdeck COPYONLY)
configure_file(${CMAKE_SOURCE_DIR}/debian/changelog ${package_extra}/changelog.Debian COPYONLY)
execute_process(COMMAND gzip -9nc ${package_extra}/changelog.Debian
    OUTPUT_FILE ${package_doc}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_INSTALLED_DIRECTORIES ${package_extra}/usr /usr)

# The package's version, the changelog's newest entry and the metainfo's newest release
# name one release; a version raised in one place only would ship a package that
# contradicts itself.
set(package_version ${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
file(STRINGS ${CMAKE_SOURCE_DIR}/debian/changelog changelog_top LIMIT_COUNT 1)
if(NOT changelog_top MATCHES "^fragdeck \\(${package_version}\\) ")
    message(FATAL_ERROR "debian/changelog begins \"${changelog_top}\": its newest entry "
        "must be fragdeck (${package_version})")
endif()
file(READ ${CMAKE_SOURCE_DIR}/launcher/data/io.github.fragdeck.Fragdeck.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<releases>[ \t\r\n]*<release version=\"${CPACK_PACKAGE_VERSION}\"")
    message(FATAL_ERROR "the newest release in io.github.fragdeck.Fragdeck.metainfo.xml "
        "must be ${CPACK_PACKAGE_VERSION}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/launcher/data/io.github.fragdeck.Fragdeck.metainfo.xml)

# CPack adds maintainer scripts that run ldconfig whenever a shared library lies in a
# folder of /usr/lib; the program folder's libraries are private (found through the
# programs' run path), so the package is rebuilt without them.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/DebWithoutLdconfig.cmake)

include(CPack)
