# Writes the language tables into a source file, byte for byte (every byte as
# a hex escape, so CR LF and the spaces at line ends survive the compiler),
# so the program needs no table files at run time.
# Usage: cmake -DTABLES=Ru.txt|De.txt|... -DOUTPUT=... -P EmbedLanguageTables.cmake
# TABLES is in language index order.
string(REPLACE "|" ";" tables "${TABLES}")
list(LENGTH tables count)
if(NOT count EQUAL 4)
    message(FATAL_ERROR "expected the four language tables, got: ${TABLES}")
endif()
set(body "")
foreach(table IN LISTS tables)
    file(READ "${table}" hex HEX)
    string(LENGTH "${hex}" digits)
    math(EXPR size "${digits} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
    # One source line per table line keeps the generated lines short.
    string(REPLACE "\\x0d\\x0a" "\\x0d\\x0a\"\n        \"" escaped "${escaped}")
    get_filename_component(name "${table}" NAME)
    string(APPEND body "    // ${name}\n    std::string_view(\"${escaped}\", ${size}),\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from the files in data/lang; do not edit.\n"
"#include <array>\n"
"#include <string_view>\n\n"
"namespace volmar::detail {\n\n"
"extern const std::array<std::string_view, 4> kLanguageTableData;\n"
"const std::array<std::string_view, 4> kLanguageTableData{{\n${body}}};\n\n"
"} // namespace volmar::detail\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
