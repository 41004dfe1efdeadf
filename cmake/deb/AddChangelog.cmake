# Run by CPack on the staged tree before it is packed: Debian's changelog, compressed as Debian
# wants it (the most, and no name or time stamp inside, so the package is the same every build).
set(doc "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_KEZ_DOC_DIR}")
file(MAKE_DIRECTORY "${doc}")
execute_process(COMMAND gzip -9 -n -c "${CPACK_KEZ_CHANGELOG}" OUTPUT_FILE "${doc}/changelog.Debian.gz"
                COMMAND_ERROR_IS_FATAL ANY)
