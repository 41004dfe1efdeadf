# Run by CPack on the staged tree before it is packed: what only the Debian package carries.
set(usr "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
# Debian's changelog, compressed as Debian wants it (no name or time stamp inside, so the
# package is the same every build).
file(MAKE_DIRECTORY "${usr}/${CPACK_KEZ_DOC_DIR}")
execute_process(COMMAND gzip -9 -n -c "${CPACK_KEZ_CHANGELOG}" OUTPUT_FILE "${usr}/${CPACK_KEZ_DOC_DIR}/changelog.Debian.gz"
                COMMAND_ERROR_IS_FATAL ANY)
# The package is not uploaded to Debian, so it closes no request-for-packaging bug.
file(WRITE "${usr}/share/lintian/overrides/kezconverter"
     "kezconverter: initial-upload-closes-no-bugs [usr/share/doc/kezconverter/changelog.Debian.gz:1]\n")
