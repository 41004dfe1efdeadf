# Install rules (`cmake --install`, `make install`): the Filesystem Hierarchy and XDG places.
#
# The program, the console converter kezconv and the bundled converter go to
# libexec/kezconverter/, and bin/KezConverter and bin/kezconv are links to the two programs there.
# Both look for the converter first in their own folder, which they read through /proc/self/exe,
# link resolved: so they find the converter installed with them before any other on PATH, and the
# converter, a helper that only they talk to (through a private clipboard store), stays off every
# user's PATH.
include(GNUInstallDirs)

set(KEZ_APP_ID ru.torvane.KezConverter)
set(KEZ_HOMEPAGE_URL "https://kezconverter.example.org" CACHE STRING
    "Where the program is published (the desktop metadata's homepage and screenshot)")
set(KEZ_RELEASE_DATE 2026-12-09)
set(KEZ_PROGRAM_DIR ${CMAKE_INSTALL_LIBEXECDIR}/kezconverter)
# Under the package's name, as Debian keeps every package's documentation.
set(KEZ_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kezconverter)

install(TARGETS KezConverter kezconv kezcc RUNTIME DESTINATION ${KEZ_PROGRAM_DIR})
# A relative link, so that a staged tree (DESTDIR, the package) works wherever it is unpacked.
foreach(dir CMAKE_INSTALL_BINDIR CMAKE_INSTALL_LIBEXECDIR)
  if(IS_ABSOLUTE "${${dir}}")
    message(FATAL_ERROR "${dir} must be relative to the install prefix, not ${${dir}}")
  endif()
endforeach()
foreach(program KezConverter kezconv)
  file(RELATIVE_PATH KEZ_PROGRAM_LINK /prefix/${CMAKE_INSTALL_BINDIR} /prefix/${KEZ_PROGRAM_DIR}/${program})
  install(CODE "
    set(folder \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    message(STATUS \"Installing: \${folder}/${program} -> ${KEZ_PROGRAM_LINK}\")
    file(MAKE_DIRECTORY \"\${folder}\")
    file(CREATE_LINK ${KEZ_PROGRAM_LINK} \"\${folder}/${program}\" SYMBOLIC)")
endforeach()

# The menu entry, the .kez type it opens, and the software centres' description.
set(KEZ_DATA_DIR ${CMAKE_BINARY_DIR}/share)
configure_file(${CMAKE_SOURCE_DIR}/resources/${KEZ_APP_ID}.metainfo.xml.in ${KEZ_DATA_DIR}/${KEZ_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_SOURCE_DIR}/resources/${KEZ_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/${KEZ_APP_ID}.mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${KEZ_APP_ID}.xml)
install(FILES ${KEZ_DATA_DIR}/${KEZ_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The icon at the hicolor theme's usual sizes, made from the one 16-pixel drawing.
add_executable(iconsizes ${CMAKE_SOURCE_DIR}/tools/iconsizes/IconSizes.cpp)
target_link_libraries(iconsizes PRIVATE Qt6::Gui)
set(KEZ_ICON_SIZES 16 22 24 32 48 64 128 256)
set(KEZ_THEME_DIR ${KEZ_DATA_DIR}/icons/hicolor)
set(KEZ_THEME_ICONS)
foreach(size ${KEZ_ICON_SIZES})
  list(APPEND KEZ_THEME_ICONS ${KEZ_THEME_DIR}/${size}x${size}/apps/${KEZ_APP_ID}.png)
endforeach()
add_custom_command(OUTPUT ${KEZ_THEME_ICONS}
  COMMAND iconsizes ${CMAKE_SOURCE_DIR}/resources/app.png ${KEZ_THEME_DIR} ${KEZ_APP_ID} ${KEZ_ICON_SIZES}
  DEPENDS iconsizes ${CMAKE_SOURCE_DIR}/resources/app.png VERBATIM)
add_custom_target(theme_icons ALL DEPENDS ${KEZ_THEME_ICONS})
install(DIRECTORY ${KEZ_THEME_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The manual pages, compressed as man pages are kept (no name or time stamp inside: the same every build).
set(KEZ_MANUAL_PAGES)
foreach(page KezConverter kezconv)
  add_custom_command(OUTPUT ${KEZ_DATA_DIR}/${page}.1.gz
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/resources/${page}.1 > ${KEZ_DATA_DIR}/${page}.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${page}.1)
  list(APPEND KEZ_MANUAL_PAGES ${KEZ_DATA_DIR}/${page}.1.gz)
endforeach()
add_custom_target(manual_page ALL DEPENDS ${KEZ_MANUAL_PAGES})
install(FILES ${KEZ_MANUAL_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What the converter makes of a KEZ file, with the pictures its page shows; and the notice.
install(FILES ${CMAKE_SOURCE_DIR}/tools/kezcc/README.md DESTINATION ${KEZ_DOC_DIR}/kezcc)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/tools/kezcc/sample DESTINATION ${KEZ_DOC_DIR}/kezcc FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_SOURCE_DIR}/cmake/deb/copyright DESTINATION ${KEZ_DOC_DIR})
