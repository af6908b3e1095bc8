# Writes OUT, a C++ source holding each of INPUTS (a ;-list of files) as a byte array, found by the
# file's name without its extension. Run with cmake -P; needs nothing but CMake.
set(body "")
set(table "")
set(index 0)
foreach(input IN LISTS INPUTS)
    get_filename_component(name ${input} NAME_WE)
    file(READ ${input} hex HEX)
    string(LENGTH "${hex}" hexLength)
    math(EXPR size "${hexLength} / 2")
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
    string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
    string(APPEND body "const unsigned char data${index}[] = {\n    ${bytes}\n};\n")
    string(APPEND table "    {\"${name}\", data${index}, ${size}},\n")
    math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUT}.tmp "// Generated from front_panel/resources by embed.cmake; do not edit.
#include \"front_panel/DorvexResources.h\"

namespace {
${body}} // namespace

const TDorvexResource DorvexResources[] = {
${table}};
const int DorvexResourceCount = ${index};
")
file(COPY_FILE ${OUT}.tmp ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.tmp)
