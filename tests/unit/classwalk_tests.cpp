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

TEST(ClassWalkTest, ClassComparisonIgnoresLetterCase) {
    auto inv = Collector(Windows2000() +
                         Instance(kIde + "\\CdRomA\\0", "{4d36e965-e325-11ce-bfc1-08002be10318}", "Lower", "") +
                         Instance(kIde + "\\CdRomB\\0", kDisk, "Disk", ""));
    TextList names;
    EXPECT_EQ(1, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Lower"}), names);
}

TEST(ClassWalkTest, FriendlyNameFirstThenDeviceDesc) {
    auto inv = Collector(Windows2000() +
                         // An empty FriendlyName counts as none.
                         Key(kIde + "\\A\\0") + Value("ClassGUID", kCdrom) + Value("FriendlyName", "") +
                         Value("DeviceDesc", "Desc of A") + Key(kIde + "\\A\\0\\Control") +
                         Instance(kIde + "\\B\\0", kCdrom, "Friendly B", "Desc of B") +
                         Instance(kIde + "\\C\\0", kCdrom, "Only friendly C", "") +
                         Instance(kIde + "\\D\\0", kCdrom, "", "Only desc D"));
    TextList names;
    EXPECT_EQ(4, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Desc of A", "Friendly B", "Only friendly C", "Only desc D"}), names);
}

TEST(ClassWalkTest, InstancesWithoutAnyNameOrClassAreSkipped) {
    auto inv = Collector(Windows2000() + Instance(kIde + "\\A\\0", kCdrom, "", "") +
                         Instance(kIde + "\\A\\1", "", "No class", "") +
                         Key(kIde + "\\A\\2") + Value("ClassGUID", kCdrom) + Value("FriendlyName", "") +
                         Value("DeviceDesc", "") + Key(kIde + "\\A\\2\\Control") +
                         Instance(kIde + "\\A\\3", kCdrom, "Named", ""));
    TextList names;
    EXPECT_EQ(1, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Named"}), names);
    names.clear();
    EXPECT_EQ(1, inv->GetPresentDevices(kIde, names));
    EXPECT_EQ(TextList({"Named"}), names);
}

TEST(ClassWalkTest, PresentWalksNeedControlClassWalkNeedsAnySubkey) {
    auto inv = Collector(Windows2000() + Instance(kIde + "\\A\\0", kCdrom, "Started", "") +
                         Instance(kIde + "\\A\\1", kCdrom, "Installed", "", "LogConf") +
                         Instance(kIde + "\\A\\2", kCdrom, "Bare", "", "") +
                         Instance(kIde + "\\A\\3", kCdrom, "Lower-case control", "", "control"));
    TextList present;
    EXPECT_EQ(2, inv->GetPresentClassDevices(kCdrom, kIde, present));
    EXPECT_EQ(TextList({"Started", "Lower-case control"}), present);

    TextList any;
    EXPECT_EQ(3, inv->GetClassDevices(kCdrom, kIde, any));
    EXPECT_EQ(TextList({"Started", "Installed", "Lower-case control"}), any);

    TextList presentAnyClass;
    EXPECT_EQ(2, inv->GetPresentDevices(kIde, presentAnyClass));
    EXPECT_EQ(present, presentAnyClass);
}

TEST(ClassWalkTest, PresentDevicesTakesEveryClassButNeedsAClassGuid) {
    auto inv = Collector(Windows2000() + Instance(kIde + "\\A\\0", kCdrom, "Cd", "") +
                         Instance(kIde + "\\B\\0", kDisk, "Disk", "") +
                         Instance(kIde + "\\B\\1", "", "Classless", "") +
                         // Any text at all will do as a class.
                         Instance(kIde + "\\C\\0", "unknown", "Odd", ""));
    TextList names;
    EXPECT_EQ(3, inv->GetPresentDevices(kIde, names));
    EXPECT_EQ(TextList({"Cd", "Disk", "Odd"}), names);
}

TEST(ClassWalkTest, FollowsDeviceThenInstanceEnumerationOrder) {
    // Subkeys enumerate by their upper-cased names, whatever the file order.
    auto inv = Collector(Windows2000() + Instance(kIde + "\\Zeta\\1", kCdrom, "Zeta 1", "") +
                         Instance(kIde + "\\Zeta\\0", kCdrom, "Zeta 0", "") +
                         Instance(kIde + "\\alpha\\7", kCdrom, "Alpha 7", "") +
                         Instance(kIde + "\\alpha\\10", kCdrom, "Alpha 10", ""));
    TextList names;
    EXPECT_EQ(4, inv->GetPresentClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Alpha 10", "Alpha 7", "Zeta 0", "Zeta 1"}), names);
}

TEST(ClassWalkTest, DeviceKeyWithoutInstancesDoesNotStopTheWalk) {
    auto inv = Collector(Windows2000() + Key(kIde + "\\Empty") + Instance(kIde + "\\Later\\0", kCdrom, "Later", ""));
    TextList names;
    EXPECT_EQ(1, inv->GetClassDevices(kCdrom, kIde, names));
    EXPECT_EQ(TextList({"Later"}), names);
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

TEST(ClassWalkTest, InstanceTwoLevelsDownOnly) {
    // An instance key directly below the root (one level) is a device key
    // without instances; a key three levels down is not looked at.
    auto inv = Collector(Windows2000() + Instance(kIde + "\\Flat", kCdrom, "Flat", "") +
                         Instance(kIde + "\\Dev\\0\\Deep", kCdrom, "Deep", ""));
    TextList names;
    EXPECT_EQ(0, inv->GetClassDevices(kCdrom, kIde, names));
    EXPECT_TRUE(names.empty());
}

}  // namespace
