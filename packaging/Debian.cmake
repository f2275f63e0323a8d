# A Debian package of the installed layout below /usr: "make deb", which builds the deb preset
# (a release with its debug information and the distribution's hardening) and runs cpack there.
# The binaries go in stripped; their debug information goes into a -dbgsym package beside it.

set(CPACK_PACKAGE_NAME vellumkite)
set(CPACK_PACKAGE_VENDOR "Vellumkite")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vellumkite developers <vellumkite@users.noreply.github.com>")
set(CPACK_PACKAGE_CONTACT "${CPACK_DEBIAN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "batch picture resizer: thumbnail, medium and large copies at once")
set(CPACK_PACKAGE_DESCRIPTION [[
Vellumkite makes web-sized copies of whole collections of pictures. Gather
files in a list, from a file dialog, a whole folder tree, a drop from the
file manager or a paste, set the quality and the boxes of three sizes, and
every picture is fitted into each box with its proportions kept and written
as a JPEG file (or PNG, WebP or AVIF) below the desktop.

vellumkite-batch does the same job from a terminal or a script. Pictures are
decoded by ImageMagick in worker processes that lock themselves in first.]])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The engine is opened at run time, so the libraries the scan of the binaries cannot see are
# named here: the engine with its coders, and Qt's SVG and platform plugins.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libmagickcore-6.q16-6, libmagickcore-6.q16-6-extra, libqt6svg6, qt6-qpa-plugins")
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/BeforePackaging.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/AfterPackaging.cmake)

# The package's version is its changelog's latest: "<upstream>-<revision>".
set(VK_DEBIAN_CHANGELOG ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
file(STRINGS ${VK_DEBIAN_CHANGELOG} latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^vellumkite \\(([^)-]+)-([^)]+)\\)")
    message(FATAL_ERROR "${VK_DEBIAN_CHANGELOG} does not begin with a version of vellumkite")
endif()
set(CPACK_DEBIAN_PACKAGE_VERSION ${CMAKE_MATCH_1})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
if(NOT CPACK_DEBIAN_PACKAGE_VERSION VERSION_EQUAL PROJECT_VERSION)
    message(WARNING "The latest entry of ${VK_DEBIAN_CHANGELOG} is for version "
                    "${CPACK_DEBIAN_PACKAGE_VERSION}, not ${PROJECT_VERSION}: add one")
endif()

# The copyright, the changelog and lintian's overrides go into the package alone: an install
# below /usr/local has no use for them. They are a component of their own that a plain install
# leaves out and cpack installs after everything else.
set(VK_DEBIAN_DOC ${CMAKE_INSTALL_DATADIR}/doc/vellumkite)
add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${VK_DEBIAN_CHANGELOG}
            ${PROJECT_BINARY_DIR}/debian/changelog.Debian
    COMMAND ${VK_GZIP} -n9f ${PROJECT_BINARY_DIR}/debian/changelog.Debian
    DEPENDS ${VK_DEBIAN_CHANGELOG}
    VERBATIM)
add_custom_target(vk_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
              ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
        DESTINATION ${VK_DEBIAN_DOC} COMPONENT debian EXCLUDE_FROM_ALL)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vellumkite
        COMPONENT debian EXCLUDE_FROM_ALL)
set(CPACK_INSTALL_CMAKE_PROJECTS
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};ALL;/"
    "${PROJECT_BINARY_DIR};${PROJECT_NAME};debian;/")

include(CPack)
