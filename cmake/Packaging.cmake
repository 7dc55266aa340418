# Installation and the Debian packages.
#
# `cmake --install` puts the program, its manual page and bash completion under the prefix; a
# build with the tray program (HOSTAQ_GUI) adds the desktop entry, the icon, the AppStream
# metadata and the help pages. `cpack` turns the same installation into one Debian package: hostaq
# (the tray program) or hostaq-headless (built with HOSTAQ_GUI=OFF, no Qt at all), which are two
# builds of the same sources and replace each other. scripts/package.sh builds both.

include(GNUInstallDirs)

# The date of the version set at the top of CMakeLists.txt; both change together.
set(HOSTAQ_RELEASE_DATE "2026-12-06")
set(HOSTAQ_RELEASE_DATE_RFC2822 "Sun, 06 Dec 2026 12:00:00 +0000")
set(HOSTAQ_MAINTAINER "Hostaq Updater maintainers <maintainers@hostaq.example>")

if(HOSTAQ_GUI)
  set(HOSTAQ_PACKAGE hostaq)
  set(HOSTAQ_OTHER_PACKAGE hostaq-headless)
else()
  set(HOSTAQ_PACKAGE hostaq-headless)
  set(HOSTAQ_OTHER_PACKAGE hostaq)
endif()

set(HOSTAQ_DATA ${CMAKE_SOURCE_DIR}/data)
set(HOSTAQ_GENERATED ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${HOSTAQ_GENERATED})
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Texts made from templates, compressed as Debian wants them (gzip -9n: no name, no time stamp,
# so the same sources give the same bytes).
function(hostaq_gzip input output)
  execute_process(COMMAND gzip -9nc ${input} OUTPUT_FILE ${output} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot compress ${input}")
  endif()
endfunction()

set(HOSTAQ_MAN_DATE ${HOSTAQ_RELEASE_DATE})
set(HOSTAQ_VERSION ${PROJECT_VERSION})
configure_file(${CMAKE_SOURCE_DIR}/man/hostaq.1 ${HOSTAQ_GENERATED}/hostaq.1 @ONLY)
hostaq_gzip(${HOSTAQ_GENERATED}/hostaq.1 ${HOSTAQ_GENERATED}/hostaq.1.gz)
configure_file(${HOSTAQ_DATA}/debian/changelog.in ${HOSTAQ_GENERATED}/changelog @ONLY)
hostaq_gzip(${HOSTAQ_GENERATED}/changelog ${HOSTAQ_GENERATED}/changelog.gz)

# Both builds.
install(FILES ${HOSTAQ_GENERATED}/hostaq.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${HOSTAQ_DATA}/completion/hostaq DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${HOSTAQ_DATA}/debian/copyright ${HOSTAQ_GENERATED}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${HOSTAQ_PACKAGE})

# The tray program: its menu entry, icon, software-centre metadata and help pages.
if(HOSTAQ_GUI)
  set(HOSTAQ_APPSTREAM_ID example.hostaq.Updater)
  configure_file(${HOSTAQ_DATA}/hostaq.metainfo.xml.in
    ${HOSTAQ_GENERATED}/${HOSTAQ_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${HOSTAQ_GENERATED}/${HOSTAQ_APPSTREAM_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${HOSTAQ_DATA}/hostaq.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${HOSTAQ_DATA}/icons/hostaq.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    install(FILES ${HOSTAQ_DATA}/icons/hicolor/${size}x${size}/hostaq.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  # Whatever pages the help folder holds when the build is configured.
  file(GLOB HOSTAQ_HELP_PAGES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/help/hostaq/*.html ${CMAKE_SOURCE_DIR}/help/hostaq/*.css
    ${CMAKE_SOURCE_DIR}/help/hostaq/*.png ${CMAKE_SOURCE_DIR}/help/hostaq/*.svg)
  install(FILES ${HOSTAQ_HELP_PAGES} DESTINATION ${CMAKE_INSTALL_DATADIR}/hostaq/help/hostaq)
endif()

# The Debian package of this build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${HOSTAQ_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vemo Solution")
set(CPACK_PACKAGE_CONTACT ${HOSTAQ_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME ${HOSTAQ_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_SOURCE hostaq)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${HOSTAQ_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links (OpenSSL, libsystemd, Qt for the tray program), as
# dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ppp")
if(TARGET ui)
  # Qt loads its platform plugins (X11, offscreen) at run time, so dpkg-shlibdeps cannot see them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
if(HOSTAQ_GUI)
  # xdg-open shows help pages and log files; pkexec installs the service from the window.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ppp, pkexec")
endif()
set(CPACK_DEBIAN_PACKAGE_CONFLICTS ${HOSTAQ_OTHER_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_REPLACES ${HOSTAQ_OTHER_PACKAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${HOSTAQ_DATA}/debian/postinst ${HOSTAQ_DATA}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The package description, for people choosing a package: lines of at most 78 characters, no
# double quotes (CPack does not keep them).
set(HOSTAQ_DESCRIPTION_COMMON
  "Hostaq Updater watches the public IPv4 address of this computer and tells a
dynamic DNS provider the new address of every configured hostname whenever it
changes, so that a web site, mail server, game server or remote access at home
or in a small office stays reachable under its name although the Internet
provider changes the address.

Hostnames are kept in groups of up to 20 that share one login. The program
keeps rotating log files, can mail an update report, can run programs when
the address changes, and runs as a systemd service (hostaq install) as well
as from the command line or a timer (hostaq --once). All settings live in
one INI file.")
if(HOSTAQ_GUI)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dynamic DNS update client with a tray icon")
  set(CPACK_PACKAGE_DESCRIPTION "${HOSTAQ_DESCRIPTION_COMMON}

This package holds the desktop program: a tray icon that shows the state of
the last update, the main window, the settings dialog, a setup wizard and the
help pages. For a server without a desktop, install hostaq-headless instead.")
else()
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "dynamic DNS update client for servers, without a window")
  set(CPACK_PACKAGE_DESCRIPTION "${HOSTAQ_DESCRIPTION_COMMON}

This package holds the program without a window and without Qt, for servers
and small machines: it runs as a systemd service or from the command line.
For the tray program on a desktop, install hostaq instead.")
endif()

include(CPack)
