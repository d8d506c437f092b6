// Printing the inventory: aligned text, or one JSON document.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "reader.h"

namespace hsinfo {

// Text of a fixed field, decoded from Windows-1252 to UTF-8.
template <size_t N>
std::string FieldText(const char (&field)[N]);
std::string DecodeWindows1252(const char *bytes, size_t size);

void PrintText(std::ostream &out, const Inventory &inv, const std::vector<std::string> &families);
void PrintJson(std::ostream &out, const Inventory &inv, const std::vector<std::string> &families);

template <size_t N>
std::string FieldText(const char (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return DecodeWindows1252(field, length);
}

}  // namespace hsinfo
