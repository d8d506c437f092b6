// Class walks of the Plug and Play enumeration tree.
#include <gtest/gtest.h>

#include "devices_profile.h"
#include "registry/class_guids.h"

namespace {

using hs::TextList;
using namespace hstest::dev;

const std::string kIde = kEnum + "\\IDE";
const std::string kCdrom = hs::CLASSGUID_CDROM;
const std::string kDisk = hs::CLASSGUID_DISKDRIVE;

TEST(ClassWalkTest, MissingRootAddsNothingAndAnswersEarlierSize) {
    auto inv = Collector(Windows2000());
    TextList names = {"earlier"};
    EXPECT_EQ(1, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(1, inv->GetPresentDevices(kIde, names));
    EXPECT_EQ(1, inv->GetClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"earlier"}), names);
}

enum Walk { PRESENT_CLASS, PRESENT_ANY_CLASS, CLASS_ANY_SUBKEY };

// Each case runs one walk over kIde on a Windows 2000 machine; the answer is
// the number of names.
TEST(ClassWalkTest, NamesFoundByEachWalk) {
    const std::string emptyFriendly = Key(kIde + "\\A\\0") + Value("ClassGUID", kCdrom) + Value("FriendlyName", "") +
                                      Value("DeviceDesc", "Desc of A") + Key(kIde + "\\A\\0\\Control");
    const std::string nameless = Instance(kIde + "\\A\\0", kCdrom, "", "") + Instance(kIde + "\\A\\1", "", "No class", "") +
                                 Key(kIde + "\\A\\2") + Value("ClassGUID", kCdrom) + Value("FriendlyName", "") +
                                 Value("DeviceDesc", "") + Key(kIde + "\\A\\2\\Control") +
                                 Instance(kIde + "\\A\\3", kCdrom, "Named", "");
    const std::string subkeys = Instance(kIde + "\\A\\0", kCdrom, "Started", "") +
                                Instance(kIde + "\\A\\1", kCdrom, "Installed", "", "LogConf") +
                                Instance(kIde + "\\A\\2", kCdrom, "Bare", "", "") +
                                Instance(kIde + "\\A\\3", kCdrom, "Lower-case control", "", "control");
    const struct {
        const char *what;
        std::string instances;
        Walk walk;
        TextList names;
    } cases[] = {
        {"class comparison ignores letter case",
         Instance(kIde + "\\CdRomA\\0", "{4d36e965-e325-11ce-bfc1-08002be10318}", "Lower", "") +
             Instance(kIde + "\\CdRomB\\0", kDisk, "Disk", ""),
         PRESENT_CLASS, {"Lower"}},
        // An empty FriendlyName counts as none.
        {"friendly name first, then description",
         emptyFriendly + Instance(kIde + "\\B\\0", kCdrom, "Friendly B", "Desc of B") +
             Instance(kIde + "\\C\\0", kCdrom, "Only friendly C", "") + Instance(kIde + "\\D\\0", kCdrom, "", "Only desc D"),
         PRESENT_CLASS, {"Desc of A", "Friendly B", "Only friendly C", "Only desc D"}},
        {"nameless or classless skipped", nameless, PRESENT_CLASS, {"Named"}},
        {"nameless or classless skipped, any class", nameless, PRESENT_ANY_CLASS, {"Named"}},
        {"present walk needs Control", subkeys, PRESENT_CLASS, {"Started", "Lower-case control"}},
        {"present walk of any class needs Control", subkeys, PRESENT_ANY_CLASS, {"Started", "Lower-case control"}},
        {"class walk needs any subkey", subkeys, CLASS_ANY_SUBKEY, {"Started", "Installed", "Lower-case control"}},
        // Any text at all will do as a class.
        {"every class but a class GUID is needed",
         Instance(kIde + "\\A\\0", kCdrom, "Cd", "") + Instance(kIde + "\\B\\0", kDisk, "Disk", "") +
             Instance(kIde + "\\B\\1", "", "Classless", "") + Instance(kIde + "\\C\\0", "unknown", "Odd", ""),
         PRESENT_ANY_CLASS, {"Cd", "Disk", "Odd"}},
        // Subkeys enumerate by their upper-cased names, whatever the file order.
        {"device then instance enumeration order",
         Instance(kIde + "\\Zeta\\1", kCdrom, "Zeta 1", "") + Instance(kIde + "\\Zeta\\0", kCdrom, "Zeta 0", "") +
             Instance(kIde + "\\alpha\\7", kCdrom, "Alpha 7", "") + Instance(kIde + "\\alpha\\10", kCdrom, "Alpha 10", ""),
         PRESENT_CLASS, {"Alpha 10", "Alpha 7", "Zeta 0", "Zeta 1"}},
        {"device key without instances does not stop the walk",
         Key(kIde + "\\Empty") + Instance(kIde + "\\Later\\0", kCdrom, "Later", ""), CLASS_ANY_SUBKEY, {"Later"}},
        // One level down is a device key without instances; three levels
        // down is not looked at.
        {"instances two levels down only",
         Instance(kIde + "\\Flat", kCdrom, "Flat", "") + Instance(kIde + "\\Dev\\0\\Deep", kCdrom, "Deep", ""),
         CLASS_ANY_SUBKEY, {}},
    };
    for (const auto &c : cases) {
        auto inv = Collector(Windows2000() + c.instances);
        TextList names;
        const int32_t count = c.walk == PRESENT_CLASS       ? inv->GetPresentClassDevices(kCdrom, kIde, names)
                              : c.walk == PRESENT_ANY_CLASS ? inv->GetPresentDevices(kIde, names)
                                                            : inv->GetClassDevices(kCdrom, kIde, names);
        EXPECT_EQ(static_cast<int32_t>(c.names.size()), count) << c.what;
        EXPECT_EQ(c.names, names) << c.what;
    }
}

TEST(ClassWalkTest, AppendsAndCountsTheWholeList) {
    auto inv = Collector(Windows2000() + Instance(kIde + "\\A\\0", kCdrom, "Same", "") +
                         Instance(kIde + "\\A\\1", kCdrom, "Same", ""));
    TextList names;
    const int32_t first = inv->GetPresentClassDevices(kCdrom, kIde, names);
    EXPECT_EQ(2, first);
    EXPECT_EQ(2 * first, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Same", "Same", "Same", "Same"}), names);
}

}  // namespace
