# Writes a C++ source holding a file's bytes as an array:
#   cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=kArrayName -P EmbedFile.cmake
# The array lives in namespace frakle::gui::fontdata, with NAME##Size beside it.
file(READ "${INPUT}" hex HEX)
# 24 bytes a line, then every byte as 0xNN.
string(REPEAT "[0-9a-f][0-9a-f]" 24 line)
string(REGEX REPLACE "(${line})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," hex "${hex}")
get_filename_component(source "${INPUT}" NAME)
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${source} by EmbedFile.cmake: do not edit.\n"
  "#include <cstddef>\n\n"
  "namespace frakle::gui::fontdata {\n\n"
  "extern const unsigned char ${NAME}[];\n"
  "extern const std::size_t ${NAME}Size;\n"
  "const unsigned char ${NAME}[] = {\n${hex}};\n"
  "const std::size_t ${NAME}Size = sizeof(${NAME});\n\n"
  "} // namespace frakle::gui::fontdata\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
