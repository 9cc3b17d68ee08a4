# cmake -DIN=file -DOUT=file.cpp -P EmbedBytes.cmake
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" len)
math(EXPR size "${len} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "// Generated from the compiled resource script.\n#include <cstddef>\n#include <cstdint>\n"
    "extern const std::uint8_t VintoqResBytes[];\nextern const std::size_t VintoqResSize;\n"
    "const std::uint8_t VintoqResBytes[] = {\n${bytes}\n};\nconst std::size_t VintoqResSize = ${size};\n")
