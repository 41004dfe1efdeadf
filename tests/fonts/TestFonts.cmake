# The test fonts, written at build time by make_test_fonts.py into <build>/tests/fonts: small
# TrueType and OpenType files with chosen family names and OS/2 coverage, a fontconfig
# configuration that sees only them (fonts.conf) and the manifest of what each must enumerate as.
set(KEZ_TEST_FONT_DIR ${CMAKE_BINARY_DIR}/tests/fonts)
if(NOT TARGET kez_test_fonts)
  # Debian's interpreter, which has python3-fonttools, even where another python3 comes first.
  find_program(KEZ_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(KEZ_PYTHON3 python3 REQUIRED)
  add_custom_command(OUTPUT ${KEZ_TEST_FONT_DIR}/manifest.tsv
    COMMAND ${KEZ_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/fonts/make_test_fonts.py ${KEZ_TEST_FONT_DIR}
    DEPENDS ${CMAKE_SOURCE_DIR}/tests/fonts/make_test_fonts.py
    COMMENT "Writing the test fonts")
  add_custom_target(kez_test_fonts DEPENDS ${KEZ_TEST_FONT_DIR}/manifest.tsv)
endif()
