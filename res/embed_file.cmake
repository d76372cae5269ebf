# Writes a C++ source that holds the bytes of one file as an array.
# cmake -DINPUT=file -DOUTPUT=file.cpp -DSYMBOL=name -P embed_file.cmake
# The source defines res::embedded::SYMBOL (the bytes) and SYMBOL##Size, as
# declared in res/embedded_data.h.
foreach(var INPUT OUTPUT SYMBOL)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "embed_file.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
if(hex_length EQUAL 0)
  message(FATAL_ERROR "embed_file.cmake: ${INPUT} is empty")
endif()
# Sixteen bytes a line, then every byte as 0xNN.
string(REGEX REPLACE "(................................)" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
get_filename_component(name "${INPUT}" NAME)

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from ${name}; do not edit.
#include \"res/embedded_data.h\"

namespace res::embedded {

const unsigned char ${SYMBOL}[] = {
${bytes}
};
const std::size_t ${SYMBOL}Size = sizeof(${SYMBOL});

}  // namespace res::embedded
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
