# `make package`: a Debian package built by CPack from the install rules (cmake/Install.cmake).
# Its library dependencies are computed from the binaries by dpkg-shlibdeps; what the program
# needs only at run time is named here: Qt's Russian texts and the window's font.
set(KEZ_PACKAGE_CONTACT "KezConverter maintainers <maintainers@kezconverter.example.org>" CACHE STRING
    "The package's maintainer, name and address")
set(KEZ_PACKAGE_RELEASE 1)
set(KEZ_PACKAGE_VERSION ${PROJECT_VERSION}-${KEZ_PACKAGE_RELEASE})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME KezConverter)
set(CPACK_PACKAGE_VENDOR "Torvane Software")
set(CPACK_PACKAGE_CONTACT ${KEZ_PACKAGE_CONTACT})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "KEZ mark-up to RTF converter")
set(CPACK_PACKAGE_DESCRIPTION "KezConverter turns text files in the KEZ mark-up format (Church Slavonic,
Russian, Greek and Latin text) into RTF documents. Files and whole folders
are added from the file manager or an open dialog and converted one after
another by the bundled converter; each result is written to a log.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)

set(CPACK_DEBIAN_PACKAGE_NAME kezconverter)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${KEZ_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME KezConverter_${KEZ_PACKAGE_VERSION}_amd64.deb)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${KEZ_HOMEPAGE_URL})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation2")

# Debian's changelog and lintian override, which only the package carries: added to the staged
# tree before packing.
execute_process(COMMAND date -u -R -d ${KEZ_RELEASE_DATE} OUTPUT_VARIABLE KEZ_RELEASE_DATE_RFC2822
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/deb/changelog.in ${CMAKE_BINARY_DIR}/deb/changelog.Debian @ONLY)
# CPack hands only CPACK_* variables on to the script.
set(CPACK_KEZ_CHANGELOG ${CMAKE_BINARY_DIR}/deb/changelog.Debian)
set(CPACK_KEZ_DOC_DIR ${KEZ_DOC_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb/AddDebianFiles.cmake)

include(CPack)
