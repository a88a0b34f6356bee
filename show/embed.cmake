# Turns the show file into a C++ source holding its bytes.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
file(WRITE "${OUTPUT}" "// Generated from ${NAME}; do not edit.\n#include <string_view>\n#include \"show/ShowScript.h\"\nstatic const char kText[] = {${bytes}0};\nstd::string_view embeddedShowText() { return {kText, sizeof kText - 1}; }\n")
