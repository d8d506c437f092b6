// Conversions of record texts into the forms GLPI's fields take
// (docs/glpi.md lists each).
#pragma once

#include <string>

namespace hsinfo {

// The maker's name for a CPUID vendor identification text ("GenuineIntel" ->
// "Intel"), as GLPI agents name processor makers; other texts unchanged.
std::string ManufacturerOfVendor(const std::string &vendor);

// "000CF16D2AB4" -> "00:0C:F1:6D:2A:B4"; empty when the text is not twelve
// hexadecimal digits.
std::string ColonMac(const std::string &digits);

// Whether text is an IPv4 address in dotted-decimal form ("192.168.0.2").
bool IsDottedQuad(const std::string &text);

// The parts of the operating-system description: the product name, then the
// version and build that follow it after runs of two or more spaces
// ("Microsoft Windows XP  5.1  2600", "Microsoft Windows 98 SE   4.10.2222"),
// and "Service Pack N" where the description names one.
struct OsDescriptionParts {
    std::string product;
    std::string version;
    std::string build;
    std::string servicePack;
};
OsDescriptionParts SplitOsDescription(const std::string &description);

}  // namespace hsinfo
