// Profile fragments for the drive and device tests: registry keys and
// values, Plug and Play instances, and the Windows releases they run on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "api/inventory.h"
#include "test_support.h"

namespace hstest::dev {

inline std::string Key(const std::string &path) { return "[HKEY_LOCAL_MACHINE\\" + path + "]\n"; }
inline std::string Value(const std::string &name, const std::string &text) {
    return "\"" + name + "\"=\"" + text + "\"\n";
}
inline std::string Dword(const std::string &name, unsigned value) {
    char buf[16];
    snprintf(buf, sizeof buf, "%08x", value);
    return "\"" + name + "\"=dword:" + buf + "\n";
}

// A device instance of an enumeration tree: its ClassGUID, its names (an
// empty argument leaves the value out) and one subkey ("Control" while the
// device is started; an empty argument gives the instance no subkey).
inline std::string Instance(const std::string &path, const std::string &classGuid, const std::string &friendlyName,
                            const std::string &deviceDesc, const std::string &subkey = "Control") {
    std::string text = Key(path);
    if (!classGuid.empty()) text += Value("ClassGUID", classGuid);
    if (!friendlyName.empty()) text += Value("FriendlyName", friendlyName);
    if (!deviceDesc.empty()) text += Value("DeviceDesc", deviceDesc);
    if (!subkey.empty()) text += Key(path + "\\" + subkey);
    return text;
}

inline const std::string kEnum = "SYSTEM\\CurrentControlSet\\Enum";

inline std::string Windows95() { return VersionKey(4, 0, 950, 1, ""); }
inline std::string Windows98Se() { return VersionKey(4, 10, 2222, 1, " A"); }
inline std::string WindowsNt4() { return VersionKey(4, 0, 1381, 2, "Service Pack 6"); }
inline std::string Windows2000() { return VersionKey(5, 0, 2195, 2, "Service Pack 4"); }
inline std::string WindowsXp() { return VersionKey(5, 1, 2600, 2, "Service Pack 2"); }

// A collector over a freshly loaded machine (its platform id is read anew).
inline std::unique_ptr<hs::CInventory> Collector(const std::string &body) {
    UseMachine(body);
    return std::make_unique<hs::CInventory>();
}

using KindGetter = int32_t (hs::CInventory::*)(hs::TextList &, hs::TextList &);

// The descriptions that one device kind lists, checking that the answer is
// their number and that every type word is `word`.
inline hs::TextList CollectKind(hs::CInventory &inv, KindGetter kind, const char *word) {
    hs::TextList descriptions, types;
    const int32_t count = (inv.*kind)(descriptions, types);
    EXPECT_EQ(static_cast<int32_t>(descriptions.size()), count) << word;
    EXPECT_EQ(hs::TextList(descriptions.size(), word), types) << word;
    return descriptions;
}

// Starts capturing the debugger channel with nothing captured yet.
inline void StartDebugCapture() {
    hs::sim::CaptureDebugOutput(true);
    hs::sim::TakeDebugOutput();
}

inline std::string StopDebugCapture() {
    std::string text = hs::sim::TakeDebugOutput();
    hs::sim::CaptureDebugOutput(false);
    return text;
}

}  // namespace hstest::dev
