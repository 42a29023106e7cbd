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
# Qt, libzip and SQLite as the linker sees them. dpkg-shlibdeps cannot see the plugins Qt
# loads at run time: TGA level shots need the image format plugins, and the platform
# plugins that libqt6gui6 only recommends are wanted too (Wayland's in qt6-wayland).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openarena | ioquake3, openarena-server")

# What Debian wants beside the program, in the package only: the copyright file pointing at
# the system's copy of the licence, a changelog, and the reason the games section holds no
# game (the suite's programs are tools, so they live in /usr/bin, not /usr/games).
set(package_extra ${CMAKE_BINARY_DIR}/package-extra)
set(package_doc ${package_extra}/usr/share/doc/fragdeck)
file(MAKE_DIRECTORY ${package_doc} ${package_extra}/usr/share/lintian/overrides)
file(WRITE ${package_doc}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: Fragdeck

Files: *
Copyright: 2026 Fragdeck developers
License: GPL-2+
 This program is free software; you can redistribute it and/or modify it under
 the terms of the GNU General Public License as published by the Free Software
 Foundation; either version 2 of the License, or (at your option) any later
 version.
 .
 This program is distributed in the hope that it will be useful, but WITHOUT ANY
 WARRANTY; without even the implied warranty of MERCHANTABILITY or FITNESS FOR A
 PARTICULAR PURPOSE. See the GNU General Public License for more details.
 .
 On Debian systems the full text of the GNU General Public License version 2 is
 in /usr/share/common-licenses/GPL-2.
")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${package_extra}/changelog.Debian
"fragdeck (${CPACK_PACKAGE_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) unstable; urgency=medium

  * Built from the Fragdeck sources with CPack.

 -- ${FRAGDECK_PACKAGE_MAINTAINER}  ${changelog_date}
")
execute_process(COMMAND gzip -9nc ${package_extra}/changelog.Debian
    OUTPUT_FILE ${package_doc}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${package_extra}/usr/share/lintian/overrides/fragdeck
    "fragdeck: package-section-games-but-contains-no-game\n")
set(CPACK_INSTALLED_DIRECTORIES ${package_extra}/usr /usr)

include(CPack)
