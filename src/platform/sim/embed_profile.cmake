# Turns a machine profile into a C++ source that holds its bytes.
# Usage: cmake -DINPUT=profile.reg -DOUTPUT=file.cpp -P embed_profile.cmake
file(READ "${INPUT}" content HEX)
string(LENGTH "${content}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT}; do not edit.\n"
  "namespace hs::sim {\n"
  "extern const unsigned char kDefaultMachineProfile[];\n"
  "extern const unsigned long kDefaultMachineProfileSize;\n"
  "const unsigned char kDefaultMachineProfile[] = {\n    ${bytes}0x00};\n"
  "const unsigned long kDefaultMachineProfileSize = ${size};\n"
  "}  // namespace hs::sim\n")
