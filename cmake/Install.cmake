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

# The icon: the drawing itself (scalable), the hand-tuned 16-pixel picture, and every larger size
# rendered from the drawing.
find_program(KEZ_RSVG_CONVERT rsvg-convert REQUIRED)
set(KEZ_ICON_SIZES 22 24 32 48 64 128 256)
set(KEZ_THEME_DIR ${KEZ_DATA_DIR}/icons/hicolor)
set(KEZ_THEME_ICONS ${KEZ_THEME_DIR}/scalable/apps/${KEZ_APP_ID}.svg ${KEZ_THEME_DIR}/16x16/apps/${KEZ_APP_ID}.png)
add_custom_command(OUTPUT ${KEZ_THEME_DIR}/scalable/apps/${KEZ_APP_ID}.svg
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/app.svg ${KEZ_THEME_DIR}/scalable/apps/${KEZ_APP_ID}.svg
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/app.svg VERBATIM)
add_custom_command(OUTPUT ${KEZ_THEME_DIR}/16x16/apps/${KEZ_APP_ID}.png
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/app.png ${KEZ_THEME_DIR}/16x16/apps/${KEZ_APP_ID}.png
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/app.png VERBATIM)
foreach(size ${KEZ_ICON_SIZES})
  set(icon ${KEZ_THEME_DIR}/${size}x${size}/apps/${KEZ_APP_ID}.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${KEZ_THEME_DIR}/${size}x${size}/apps
    COMMAND ${KEZ_RSVG_CONVERT} --width ${size} --height ${size} --output ${icon} ${CMAKE_SOURCE_DIR}/resources/app.svg
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/app.svg VERBATIM)
  list(APPEND KEZ_THEME_ICONS ${icon})
endforeach()
add_custom_target(theme_icons ALL DEPENDS ${KEZ_THEME_ICONS})
install(DIRECTORY ${KEZ_THEME_DIR} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

# The manual pages, naming the documentation's folder under the prefix they are installed to (known
# only then: `cmake --install --prefix`), compressed as man pages are kept (no name or time stamp
# inside: the same every build).
foreach(page KezConverter kezconv)
  install(CODE "
    set(KEZ_DOC_PATH \"\${CMAKE_INSTALL_PREFIX}/${KEZ_DOC_DIR}\")
    configure_file(\"${CMAKE_SOURCE_DIR}/resources/${page}.1\" \"${KEZ_DATA_DIR}/man/${page}.1\" @ONLY)
    execute_process(COMMAND gzip -9 -n -f \"${KEZ_DATA_DIR}/man/${page}.1\" COMMAND_ERROR_IS_FATAL ANY)
    file(INSTALL \"${KEZ_DATA_DIR}/man/${page}.1.gz\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")")
endforeach()

# What the converter makes of a KEZ file, with the pictures its page shows; and the licence, in
# the form Debian keeps it (the package installs the same file).
install(FILES ${CMAKE_SOURCE_DIR}/tools/kezcc/README.md DESTINATION ${KEZ_DOC_DIR}/kezcc)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/tools/kezcc/sample DESTINATION ${KEZ_DOC_DIR}/kezcc FILES_MATCHING PATTERN "*.png")
install(FILES ${CMAKE_SOURCE_DIR}/debian/copyright DESTINATION ${KEZ_DOC_DIR})
