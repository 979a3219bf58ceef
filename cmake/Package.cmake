# The Debian package, made by CPack from the install rules in Install.cmake:
#   cmake --build build --target deb  ->  build/seqget_<file version>_<arch>.deb
# `deb` builds only the program before packing it; CPack's own `package`
# target does the same after building everything, tests included.
# Included from the top-level CMakeLists.txt after Install.cmake.

set(SEQGET_PACKAGE_MAINTAINER "Seqget developers <seqget@example.org>")

# Debian policy wants a copyright file and a changelog in the package's doc
# folder (named after the package, not the project), and a manual page for
# every program; the latter two compressed.
set(seqget_deb_doc ${CMAKE_INSTALL_DATADIR}/doc/seqget)
# SOURCE_DATE_EPOCH, when set, pins the date so that a rebuild is identical.
string(TIMESTAMP SEQGET_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${SEQGET_DATA_DIR}/deb/changelog.in ${PROJECT_BINARY_DIR}/deb/changelog @ONLY)
configure_file(${SEQGET_DATA_DIR}/seqget.1 ${PROJECT_BINARY_DIR}/deb/seqget.1 COPYONLY)
foreach(page IN ITEMS changelog seqget.1)
    # -n leaves the name and time out of the header, as lintian asks.
    execute_process(COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/deb/${page} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${SEQGET_DATA_DIR}/deb/copyright ${PROJECT_BINARY_DIR}/deb/changelog.gz
        DESTINATION ${seqget_deb_doc})
install(FILES ${PROJECT_BINARY_DIR}/deb/seqget.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME seqget)
# The one version the project keeps for its files; a Debian version may hold
# its leading zeros, so it goes in unchanged.
set(CPACK_PACKAGE_VERSION ${SEQGET_FILE_VERSION})
set(CPACK_PACKAGE_CONTACT ${SEQGET_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download a numbered series of files from a web folder")
set(CPACK_PACKAGE_DESCRIPTION
    "Seqget downloads a numbered series of files (hana001.jpg ... hana120.jpg)
from one folder of a web server into a folder on your disk, one file after
the other, directly or through an HTTP proxy. Its window is in Japanese.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# Library dependencies are read off the binary by dpkg-shlibdeps. Qt loads
# its X11 platform plugin at run time, so no linked library names it; and
# every caption is Japanese, which would show as boxes without a CJK font,
# and Qt's own buttons and menus take their Japanese from the translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk | fonts-ipafont-gothic")
# The usage page opens in the desktop's browser through xdg-open. Qt's
# Wayland plugin is needed only in a Wayland session without Xwayland, where
# the program would otherwise abort at start; every Debian 12 desktop runs it
# through the X11 plugin (natively or on Xwayland). A recommendation, which
# apt installs by default, brings it to every usual install without forcing
# the Wayland compositor libraries it pulls in on a machine that opts out.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
include(CPack)

# The project's top-level install target would build everything first; the
# package needs only the program, and `deb` builds that itself.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
add_custom_target(deb
    COMMAND ${CMAKE_CPACK_COMMAND} --config ${PROJECT_BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${PROJECT_BINARY_DIR}
    COMMENT "Making the Debian package"
    USES_TERMINAL
    VERBATIM)
add_dependencies(deb seqget)
