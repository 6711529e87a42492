# The English translation of the interface. Every text is written in the program in Chinese and
# marked for the translators (DROLLO_TEXT, TextLookup::Translate, QCoreApplication::translate);
# translations/drollo_en.ts holds the English of each, and lrelease compiles it into the desktop
# layer's resources (":/i18n/drollo_en.qm"), so both programs carry it.
#
#   cmake --build <build> --target update_translations   # collects new texts, drops vanished ones
#
# Needs lupdate and lrelease (Debian's qt6-l10n-tools) and Qt's CMake functions for them
# (qt6-tools-dev).
find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

set(DROLLO_TS_FILE "${PROJECT_SOURCE_DIR}/translations/drollo_en.ts")
file(GLOB_RECURSE DROLLO_TRANSLATED_SOURCES CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/*.cpp"
     "${PROJECT_SOURCE_DIR}/src/*.h")
# The program's own markers are read as Qt's; the file keeps no line numbers, so it changes only
# when a text does.
set(DROLLO_LUPDATE_OPTIONS -tr-function-alias QT_TRANSLATE_NOOP+=DROLLO_TEXT,translate+=Translate
    -source-language zh_CN -locations none)
# What a run of lupdate outside the build needs (the test of the file's completeness): the list of
# sources and the options.
string(JOIN "\n" source_lines ${DROLLO_TRANSLATED_SOURCES})
file(WRITE "${CMAKE_BINARY_DIR}/translations/sources.lst" "${source_lines}\n")
set(DROLLO_TRANSLATED_SOURCES_LIST "${CMAKE_BINARY_DIR}/translations/sources.lst" CACHE INTERNAL "")
string(JOIN " " options_line ${DROLLO_LUPDATE_OPTIONS})
set(DROLLO_LUPDATE_OPTIONS_LINE "${options_line}" CACHE INTERNAL "")
set(DROLLO_TS_FILE "${DROLLO_TS_FILE}" CACHE INTERNAL "")

qt_add_translations(drollo_platform
  TS_FILES "${DROLLO_TS_FILE}"
  SOURCES ${DROLLO_TRANSLATED_SOURCES}
  # The program's own headers only: the texts are all in src/.
  INCLUDE_DIRECTORIES "${PROJECT_SOURCE_DIR}/src"
  LUPDATE_OPTIONS ${DROLLO_LUPDATE_OPTIONS} -no-obsolete
  RESOURCE_PREFIX "/i18n")
