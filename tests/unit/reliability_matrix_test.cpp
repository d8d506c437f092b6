// Bad caller input against every export that takes caller memory: null
// pointers, sizes of 0, below one record, exact and larger, an unreadable
// page at the first, a middle and the last record, and the extreme counts of
// the list calls. Every buffer sits between canary bytes and in front of an
// unreadable page: a write outside the bytes an export may write either
// changes a canary or faults.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "library_under_test.h"
#include "platform/platform.h"

using hstest::GuardedMemory;
using hstest::LibraryUnderTest;

namespace {

// Canary bytes kept in front of every buffer and after it (the readable part
// ends at an unreadable page).
constexpr size_t kLead = 24;
constexpr size_t kTrail = 24;

std::string Key(const std::string &path) { return "[HKEY_LOCAL_MACHINE\\" + path + "]\n"; }

// A started Plug and Play instance of Windows XP.
std::string Instance(const std::string &path, const char *classGuid, const std::string &name) {
    const std::string key = "SYSTEM\\CurrentControlSet\\Enum\\" + path;
    return Key(key) + "\"ClassGUID\"=\"" + classGuid + "\"\n\"FriendlyName\"=\"" + name + "\"\n\"DeviceDesc\"=\"" +
           name + "\"\n" + Key(key + "\\Control");
}

std::string Program(const std::string &key, const std::string &name) {
    return Key("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key) + "\"DisplayName\"=\"" + name +
           "\"\n\"UninstallString\"=\"remove " + key + "\"\n";
}

std::string Adapter(const std::string &key, const std::string &name, const std::string &description,
                    const std::string &address, const std::string &ip) {
    return "[HKEY_SIMULATION\\Adapters\\" + key + "]\n\"AdapterName\"=\"" + name + "\"\n\"Description\"=\"" +
           description + "\"\n\"Address\"=hex:" + address + "\n\"IpAddress\"=\"" + ip + "\"\n";
}

std::string Lana(const std::string &key, unsigned lana, const std::string &address) {
    char number[16];
    std::snprintf(number, sizeof number, "%08x", lana);
    return "[HKEY_SIMULATION\\NetBIOS\\" + key + "]\n\"Lana\"=dword:" + number + "\n\"Address\"=hex:" + address +
           "\n";
}

// A 300-character text: longer than every text field of the records.
const std::string kLong(300, 'L');

// Two processors, several items in every family, device, drive, printer,
// adapter and owner texts longer than their fields.
std::string SeveralOfEverything() {
    std::string body =
        "[HKEY_SIMULATION\\System]\n\"NumberOfProcessors\"=dword:00000002\n"
        "\"SystemAffinityMask\"=dword:00000003\n\"ProcessAffinityMask\"=dword:00000003\n" +
        hstest::VersionKey(5, 1, 2600, 2, "Service Pack 2") +
        Key("SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName") + "\"ComputerName\"=\"SEVERAL\"\n" + Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion") +
        "\"ProductName\"=\"Microsoft Windows XP\"\n\"RegisteredOwner\"=\"" + kLong +
        "\"\n\"RegisteredOrganization\"=\"Reliability\"\n" +
        Key("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon") + "\"DefaultUserName\"=\"tester\"\n";
    body += Instance("FDC\\GENERIC_FLOPPY_DRIVE\\1", "{4D36E980-E325-11CE-BFC1-08002BE10318}", "Floppy disk drive");
    body += Instance("IDE\\CdRomNEC\\1", "{4D36E965-E325-11CE-BFC1-08002BE10318}", kLong);
    body += Instance("IDE\\DiskMaxtor\\1", "{4D36E967-E325-11CE-BFC1-08002BE10318}", "Maxtor 6Y080L0");
    body += Instance("IDE\\DiskWDC\\1", "{4D36E967-E325-11CE-BFC1-08002BE10318}", "WDC WD400BB");
    body += Instance("PCI\\VEN_10DE\\1", "{4D36E968-E325-11CE-BFC1-08002BE10318}", kLong);
    body += Instance("PCI\\VEN_1002\\1", "{4D36E968-E325-11CE-BFC1-08002BE10318}", "RADEON 7000");
    body += Instance("DISPLAY\\SNY0000\\1", "{4D36E96E-E325-11CE-BFC1-08002BE10318}", "Sony monitor");
    body += Instance("ACPI\\PNP0F13\\1", "{4D36E96F-E325-11CE-BFC1-08002BE10318}", "PS/2 mouse");
    body += Instance("ACPI\\PNP0303\\1", "{4D36E96B-E325-11CE-BFC1-08002BE10318}", "Keyboard");
    body += Instance("PCI\\VEN_1274\\1", "{4D36E96C-E325-11CE-BFC1-08002BE10318}", "Creative AudioPCI");
    body += Instance("USB\\ROOT_HUB\\1", "{36FC9E60-C465-11CF-8056-444553540000}", "USB Root Hub");
    body += Instance("PCI\\VEN_9004\\1", "{4D36E97B-E325-11CE-BFC1-08002BE10318}", "Adaptec AHA-2940");
    body += Instance("Root\\MODEM\\0000", "{4D36E96D-E325-11CE-BFC1-08002BE10318}", "Standard modem");
    body += "[HKEY_SIMULATION\\Printers\\Local\\1]\n\"Name\"=\"" + kLong +
            "\"\n[HKEY_SIMULATION\\Printers\\Local\\2]\n\"Name\"=\"Laser\"\n"
            "[HKEY_SIMULATION\\Printers\\Default\\1]\n\"Name\"=\"Laser\"\n";
    body += Adapter("1", "{AAAA-" + kLong + "}", kLong, "00,0c,29,aa,bb,cc", "192.168.1.10");
    body += Adapter("2", "{BBBB}", "Dial-up", "00,53,45,00,00,00", "0.0.0.0");
    body += Adapter("3", "{CCCC}", "Second card", "00,0c,29,dd,ee,ff", "10.0.0.7");
    body += Lana("1", 0, "00,0c,29,aa,bb,cc") + Lana("2", 1, "44,45,53,54,00,00") + Lana("3", 2, "00,0c,29,dd,ee,ff");
    body += Program("a", "Paint") + Program("b", "Notepad") + Program("c", "Calculator") + Program("d", "Zip");
    return body;
}

// Caller memory: kLead canary bytes, the bytes handed to the export, then
// kTrail canary bytes (none when the handed bytes run into the unreadable
// page).
class Area {
public:
    Area(size_t bytes, bool guardRightAfter)
        : m_bytes(bytes), m_trail(guardRightAfter ? 0 : kTrail), m_memory(kLead + bytes + m_trail) {}
    uint8_t *Data() const { return m_memory.Data() + kLead; }
    uint32_t Address32() const { return m_memory.Address32() + static_cast<uint32_t>(kLead); }
    size_t Bytes() const { return m_bytes; }

    // True when no byte of the area holds anything but the canary.
    bool Untouched() const { return m_memory.Untouched(0, kLead + m_bytes + m_trail); }
    // True when the canaries outside [0, written) of the handed bytes hold.
    bool OutsideUntouched(size_t written) const {
        return m_memory.Untouched(0, kLead) &&
               m_memory.Untouched(kLead + written, m_bytes + m_trail - written);
    }
    bool ByteUntouched(size_t offset) const { return m_memory.Untouched(kLead + offset, 1); }
    void MakeReadOnly() { m_memory.MakeReadOnly(); }

private:
    size_t m_bytes;
    size_t m_trail;
    GuardedMemory m_memory;
};

// Readable bytes that end halfway into record `index`: that record and the
// ones after it lie partly on the unreadable page.
size_t ReadableUpTo(size_t index, size_t recordSize) { return index * recordSize + recordSize / 2; }

// Offsets inside a record that an export never writes.
using Offsets = std::vector<size_t>;

// Records [0, records) hold the canary at every offset of `never`.
::testing::AssertionResult NeverWritten(const Area &area, size_t records, size_t recordSize, const Offsets &never) {
    for (size_t i = 0; i < records; ++i) {
        for (size_t offset : never) {
            if (!area.ByteUntouched(i * recordSize + offset)) {
                return ::testing::AssertionFailure() << "record " << i << " byte " << offset << " was written";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

Offsets Range(size_t begin, size_t end) {
    Offsets offsets;
    for (size_t i = begin; i < end; ++i) offsets.push_back(i);
    return offsets;
}

Offsets Join(Offsets a, const Offsets &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The last byte of every text field of each record kind.
const Offsets kCpuNever = {4 + 259, 264 + 259};
const Offsets kDriveNever = {4 + 31, 36 + 259};
const Offsets kAdapterNever = {4 + 259, 264 + 131, 396 + 15, 412 + 15};
const Offsets kSoftwareNever = {4 + 259};
const Offsets kNetNever = {4 + 31, 36 + 31};
const Offsets kCommonNever = Join({32 + 259, 292 + 259, 552 + 259, 812 + 259, 1072 + 259}, Range(1332, 1480));
const Offsets kNetUserNever =
    Join(Join(Join(Range(0, 4), {4 + 259, 328 + 259}), Join(Range(264 + 15, 296), Range(296 + 15, 328))),
         Range(588, 600));

// The chain of `records` records: each next names the following one, the
// last's is 0.
::testing::AssertionResult Chained(const Area &area, size_t records, size_t recordSize) {
    for (size_t i = 0; i < records; ++i) {
        uint32_t next = 0;
        std::memcpy(&next, area.Data() + i * recordSize, sizeof next);
        const uint32_t expected =
            i + 1 < records ? area.Address32() + static_cast<uint32_t>((i + 1) * recordSize) : 0u;
        if (next != expected) return ::testing::AssertionFailure() << "record " << i << " next " << next;
    }
    return ::testing::AssertionSuccess();
}

// A buffer export under test: its call, its record layout and what it
// answers where the exports differ.
struct BufferExport {
    const char *name;
    std::function<uint32_t(void *, uint32_t *)> call;
    size_t recordSize;
    Offsets never;
    uint32_t count;            // records the size query asks for
    uint32_t noWholeRecord;    // answer for a size below one record
    bool readsSize;            // false: the size argument is only written
    uint32_t checkedRecords;   // records the readability check covers (adapters: every list entry)
};

class ReliabilityMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_lib = new LibraryUnderTest(SeveralOfEverything()); }
    static void TearDownTestSuite() {
        delete s_lib;
        s_lib = nullptr;
    }

    static std::vector<BufferExport> BufferExports() {
        LibraryUnderTest &lib = *s_lib;
        auto cpu = HS_EXPORT(lib, HsiGetCpuInfo);
        auto drives = HS_EXPORT(lib, HsiGetDriverInfo);
        auto devices = HS_EXPORT(lib, HsiGetDeviceInfo);
        auto adapters = HS_EXPORT(lib, HsiGetAdapterInfo);
        auto software = HS_EXPORT(lib, HsiGetSoftwareInfo);
        std::vector<BufferExport> all = {
            {"HsiGetCpuInfo", [cpu](void *b, uint32_t *s) { return cpu(static_cast<CPUINFO *>(b), s); }, 528,
             kCpuNever, 0, 0, true, 0},
            {"HsiGetDriverInfo", [drives](void *b, uint32_t *s) { return drives(static_cast<DRIVERINFO *>(b), s); },
             296, kDriveNever, 0, 111, true, 0},
            {"HsiGetDeviceInfo", [devices](void *b, uint32_t *s) { return devices(static_cast<DEVICEINFO *>(b), s); },
             296, kDriveNever, 0, 232, true, 0},
            {"HsiGetAdapterInfo",
             [adapters](void *b, uint32_t *s) { return adapters(static_cast<IPADAPTERINFO *>(b), s); }, 428,
             kAdapterNever, 0, 111, false, 3},
            {"HsiGetSoftwareInfo",
             [software](void *b, uint32_t *s) { return software(static_cast<SOFTWAREINFO *>(b), s); }, 264,
             kSoftwareNever, 0, 0, true, 0},
        };
        for (BufferExport &e : all) {
            uint32_t size = 0;
            EXPECT_EQ(111u, e.call(nullptr, &size)) << e.name;
            e.count = static_cast<uint32_t>(size / e.recordSize);
            if (e.checkedRecords == 0) e.checkedRecords = e.count;
        }
        return all;
    }

    static LibraryUnderTest *s_lib;
};

LibraryUnderTest *ReliabilityMatrix::s_lib = nullptr;

TEST_F(ReliabilityMatrix, MachineHasSeveralItemsInEveryFamily) {
    EXPECT_EQ(2, HS_EXPORT(*s_lib, HsiGetCpuCount)());
    EXPECT_EQ(4, HS_EXPORT(*s_lib, HsiGetSoftwareCount)());
    EXPECT_EQ(3, HS_EXPORT(*s_lib, HsiGetNetCount)());
    for (const BufferExport &e : BufferExports()) EXPECT_GE(e.count, 2u) << e.name;
}

TEST_F(ReliabilityMatrix, BufferExportsAnswerEveryBadInput) {
    for (const BufferExport &e : BufferExports()) {
        SCOPED_TRACE(e.name);
        const uint32_t rec = static_cast<uint32_t>(e.recordSize);
        const uint32_t queried = e.count * rec;
        const uint32_t sentinel = 0x5A5A5A5Au;

        // Null buffer: the size query, nothing else written.
        {
            uint32_t size = sentinel;
            EXPECT_EQ(111u, e.call(nullptr, &size));
            EXPECT_EQ(queried, size);
        }
        // Null size argument, with and without a buffer.
        {
            EXPECT_EQ(111u, e.call(nullptr, nullptr));
            Area area(queried, false);
            const uint32_t result = e.call(area.Data(), nullptr);
            if (e.readsSize) {
                EXPECT_EQ(111u, result);
                EXPECT_TRUE(area.Untouched());
            } else {
                // The adapter export never reads the size: it fills the
                // records when they are readable.
                EXPECT_TRUE(result == 0u || result == 111u) << result;
                EXPECT_TRUE(area.OutsideUntouched(queried));
            }
        }
        // Sizes of 0 and below one record, over exactly that many readable bytes.
        for (uint32_t bytes : {0u, rec - 1}) {
            SCOPED_TRACE(bytes);
            Area area(bytes, true);
            uint32_t size = bytes;
            const uint32_t result = e.call(area.Data(), &size);
            if (e.readsSize) {
                EXPECT_EQ(e.noWholeRecord, result);
                EXPECT_EQ(bytes, size);
            } else {
                EXPECT_EQ(111u, result);
                EXPECT_EQ(queried, size);
            }
            EXPECT_TRUE(area.Untouched());
        }
        // The exact size that the query reported, the unreadable page right after.
        {
            Area area(queried, true);
            uint32_t size = queried;
            const uint32_t result = e.call(area.Data(), &size);
            if (e.checkedRecords > e.count) {
                // The check covers every list entry, more than are written.
                EXPECT_EQ(111u, result);
                EXPECT_TRUE(area.Untouched());
            } else {
                EXPECT_EQ(0u, result);
                EXPECT_TRUE(area.OutsideUntouched(queried));
                EXPECT_TRUE(NeverWritten(area, e.count, rec, e.never));
                EXPECT_TRUE(Chained(area, e.count, rec));
            }
            EXPECT_EQ(queried, size);
        }
        // A larger size: room for two more records and a part of one.
        {
            const uint32_t rooms = (e.checkedRecords > e.count ? e.checkedRecords : e.count) + 2;
            const uint32_t bytes = rooms * rec + rec / 3;
            Area area(bytes, false);
            uint32_t size = bytes;
            EXPECT_EQ(0u, e.call(area.Data(), &size));
            const uint32_t filled = e.readsSize ? rooms : e.count;
            EXPECT_TRUE(area.OutsideUntouched(filled * rec));
            EXPECT_TRUE(NeverWritten(area, filled, rec, e.never));
            EXPECT_TRUE(Chained(area, filled, rec));
            EXPECT_EQ(bytes, size);
        }
        // An unreadable page at the first, a middle and the last record.
        const uint32_t records = e.checkedRecords;
        for (uint32_t bad : {0u, records / 2, records - 1}) {
            SCOPED_TRACE(bad);
            Area area(ReadableUpTo(bad, rec), true);
            uint32_t size = records * rec;
            EXPECT_EQ(111u, e.call(area.Data(), &size));
            EXPECT_EQ(e.readsSize ? records * rec : queried, size);
            EXPECT_TRUE(area.Untouched());
        }
    }
}

// Records a and b hold the same bytes apart from their next fields (which
// name records of their own buffers).
::testing::AssertionResult SameRecords(const Area &a, const Area &b, size_t records, size_t recordSize) {
    for (size_t i = 0; i < records; ++i) {
        const size_t at = i * recordSize + 4;
        if (std::memcmp(a.Data() + at, b.Data() + at, recordSize - 4) != 0) {
            return ::testing::AssertionFailure() << "record " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// A size variable that holds a value and cannot be written.
class ReadOnlySize {
public:
    explicit ReadOnlySize(uint32_t value) : m_area(sizeof value, false) {
        std::memcpy(m_area.Data(), &value, sizeof value);
        m_area.MakeReadOnly();
    }
    uint32_t *Get() const { return reinterpret_cast<uint32_t *>(m_area.Data()); }

private:
    Area m_area;
};

// A fill only reads its size: a read-only size answers as a writable one.
// A size query writes it: read-only, the query answers 111 and writes
// nothing.
TEST_F(ReliabilityMatrix, BufferExportsReadTheSizeOfAFillOnly) {
    for (const BufferExport &e : BufferExports()) {
        SCOPED_TRACE(e.name);
        const uint32_t rooms = e.checkedRecords > e.count ? e.checkedRecords : e.count;
        const uint32_t bytes = rooms * static_cast<uint32_t>(e.recordSize);
        Area expected(bytes, false);
        uint32_t size = bytes;
        const uint32_t answer = e.call(expected.Data(), &size);
        EXPECT_EQ(0u, answer);

        Area area(bytes, false);
        ReadOnlySize readOnly(bytes);
        EXPECT_EQ(answer, e.call(area.Data(), readOnly.Get()));
        EXPECT_EQ(bytes, *readOnly.Get());
        EXPECT_TRUE(SameRecords(expected, area, bytes / e.recordSize, e.recordSize));
        EXPECT_TRUE(area.OutsideUntouched(bytes));

        ReadOnlySize query(0x5A5A5A5Au);
        EXPECT_EQ(111u, e.call(nullptr, query.Get()));
        EXPECT_EQ(0x5A5A5A5Au, *query.Get());

    }
}

// The list calls: a header, a record count and a record array.
struct ListExport {
    const char *name;
    std::function<int32_t(void *, int32_t)> call;
    size_t headerSize;
    size_t recordsField;  // offset of the records address in the header
    size_t recordSize;
    Offsets never;  // per record
    int32_t items;
    bool negativeAccepted;  // a negative count writes the header and answers 1
};

std::vector<ListExport> ListExports(LibraryUnderTest &lib) {
    auto cpu = HS_EXPORT(lib, HsiGetCpuInfoEx);
    auto net = HS_EXPORT(lib, HsiGetNetInfoEx);
    auto software = HS_EXPORT(lib, HsiGetSoftwareInfoEx);
    return {
        {"HsiGetCpuInfoEx", [cpu](void *l, int32_t c) { return cpu(static_cast<INFOLIST *>(l), c); }, 12, 8, 528,
         Join(Range(0, 4), kCpuNever), 2, true},
        {"HsiGetNetInfoEx", [net](void *l, int32_t c) { return net(static_cast<INFOLIST *>(l), c); }, 12, 8, 68,
         kNetNever, 3, false},
        {"HsiGetSoftwareInfoEx",
         [software](void *l, int32_t c) { return software(static_cast<SOFTWAREINFOLIST *>(l), c); }, 44, 40, 264,
         Join(Range(0, 4), kSoftwareNever), 4, false},
    };
}

void SetRecords(Area &header, size_t field, uint32_t address) { std::memcpy(header.Data() + field, &address, 4); }

// The header holds only the caller's records address.
::testing::AssertionResult HeaderUntouched(const Area &header, size_t field) {
    for (size_t i = 0; i < header.Bytes(); ++i) {
        if (i >= field && i < field + 4) continue;
        if (!header.ByteUntouched(i)) return ::testing::AssertionFailure() << "header byte " << i << " written";
    }
    if (!header.OutsideUntouched(header.Bytes())) return ::testing::AssertionFailure() << "header canary";
    return ::testing::AssertionSuccess();
}

// The header names count records of recordSize bytes; nothing around it written.
::testing::AssertionResult HeaderWritten(const Area &header, int32_t count, size_t recordSize) {
    int32_t writtenCount = 0;
    uint32_t writtenSize = 0;
    std::memcpy(&writtenCount, header.Data(), 4);
    std::memcpy(&writtenSize, header.Data() + 4, 4);
    if (writtenCount != count || writtenSize != recordSize)
        return ::testing::AssertionFailure() << "header " << writtenCount << " " << writtenSize;
    if (!header.OutsideUntouched(header.Bytes())) return ::testing::AssertionFailure() << "header canary";
    return ::testing::AssertionSuccess();
}

TEST_F(ReliabilityMatrix, ListExportsAnswerEveryBadInput) {
    for (const ListExport &e : ListExports(*s_lib)) {
        SCOPED_TRACE(e.name);
        const size_t rec = e.recordSize;
        const size_t exact = static_cast<size_t>(e.items) * rec;

        // Null header.
        EXPECT_EQ(0, e.call(nullptr, e.items));
        // A header of 0 bytes and one a byte short, against the unreadable page.
        for (size_t bytes : {size_t{0}, e.headerSize - 1}) {
            Area header(bytes, true);
            EXPECT_EQ(0, e.call(header.Data(), e.items)) << bytes;
            EXPECT_TRUE(header.Untouched());
        }
        // Counts 0, -1, INT_MIN and INT_MAX over a record array of the exact size.
        for (int32_t count : {0, -1, INT_MIN, INT_MAX}) {
            SCOPED_TRACE(count);
            Area header(e.headerSize, false);
            Area records(exact, true);
            SetRecords(header, e.recordsField, records.Address32());
            const int32_t result = e.call(header.Data(), count);
            EXPECT_TRUE(records.Untouched());
            if (count < 0 && e.negativeAccepted) {
                EXPECT_EQ(1, result);
                EXPECT_TRUE(HeaderWritten(header, count, rec));
            } else {
                EXPECT_EQ(0, result);
                EXPECT_TRUE(HeaderUntouched(header, e.recordsField));
            }
        }
        // A null record array.
        {
            Area header(e.headerSize, false);
            SetRecords(header, e.recordsField, 0);
            EXPECT_EQ(0, e.call(header.Data(), e.items));
            EXPECT_TRUE(HeaderUntouched(header, e.recordsField));
        }
        // Record arrays of 0 bytes and below one record, for one record.
        for (size_t bytes : {size_t{0}, rec - 1}) {
            Area header(e.headerSize, false);
            Area records(bytes, true);
            SetRecords(header, e.recordsField, records.Address32());
            EXPECT_EQ(0, e.call(header.Data(), 1)) << bytes;
            EXPECT_TRUE(HeaderUntouched(header, e.recordsField));
            EXPECT_TRUE(records.Untouched());
        }
        // The exact count and a larger one.
        for (int32_t count : {e.items, e.items + 2}) {
            SCOPED_TRACE(count);
            const size_t bytes = static_cast<size_t>(count) * rec;
            Area header(e.headerSize, false);
            Area records(bytes, true);
            SetRecords(header, e.recordsField, records.Address32());
            EXPECT_EQ(1, e.call(header.Data(), count));
            EXPECT_TRUE(HeaderWritten(header, count, rec));
            if (e.headerSize == 44) {
                EXPECT_EQ(std::string("Software"), reinterpret_cast<const char *>(header.Data() + 8));
                EXPECT_TRUE(header.ByteUntouched(8 + 31));
            }
            EXPECT_TRUE(records.OutsideUntouched(bytes));
            EXPECT_TRUE(NeverWritten(records, static_cast<size_t>(count), rec, e.never));
        }
        // An unreadable page at the first, a middle and the last record.
        for (int32_t bad : {0, e.items / 2, e.items - 1}) {
            SCOPED_TRACE(bad);
            Area header(e.headerSize, false);
            Area records(ReadableUpTo(static_cast<size_t>(bad), rec), true);
            SetRecords(header, e.recordsField, records.Address32());
            EXPECT_EQ(0, e.call(header.Data(), e.items));
            EXPECT_TRUE(HeaderUntouched(header, e.recordsField));
            EXPECT_TRUE(records.Untouched());
        }
    }
}

// One fixed-size record, handed as a pointer.
struct RecordExport {
    const char *name;
    std::function<int32_t(void *)> call;
    size_t size;
    Offsets never;
    int32_t filled;    // answer when the record is filled
    int32_t rejected;  // answer when it is not usable
};

TEST_F(ReliabilityMatrix, RecordExportsAnswerEveryBadInput) {
    auto common = HS_EXPORT(*s_lib, HsiGetCommonInfo);
    auto user = HS_EXPORT(*s_lib, HsiGetNetUserInfo);
    const std::vector<RecordExport> exports = {
        {"HsiGetCommonInfo", [common](void *p) { return common(static_cast<COMMONINFO *>(p)); }, 1480, kCommonNever,
         1, 0},
        {"HsiGetNetUserInfo", [user](void *p) { return user(static_cast<NETUSERINFO *>(p)); }, 600, kNetUserNever, 1,
         111},
    };
    for (const RecordExport &e : exports) {
        SCOPED_TRACE(e.name);
        EXPECT_EQ(e.rejected, e.call(nullptr));
        // 0 bytes, a page boundary in the middle, and the last byte unreadable.
        for (size_t readable : {size_t{0}, e.size / 2, e.size - 1}) {
            Area area(readable, true);
            EXPECT_EQ(e.rejected, e.call(area.Data())) << readable;
            EXPECT_TRUE(area.Untouched());
        }
        // The exact record against the unreadable page, and one with room after it.
        for (bool guard : {true, false}) {
            Area area(e.size, guard);
            EXPECT_EQ(e.filled, e.call(area.Data()));
            EXPECT_TRUE(area.OutsideUntouched(e.size));
            EXPECT_TRUE(NeverWritten(area, 1, e.size, e.never));
        }
    }
}

// An adapter list as GetAdaptersInfo lays it out, in caller memory.
TEST_F(ReliabilityMatrix, AdapterCountReadsOnlyReadableEntries) {
    auto count = HS_EXPORT(*s_lib, HsiGetAdapterCount);
    constexpr size_t kEntry = sizeof(IP_ADAPTER_INFO);
    EXPECT_EQ(0, count(nullptr));
    for (size_t readable : {size_t{0}, kEntry / 2, kEntry - 1}) {
        Area area(readable, true);
        EXPECT_EQ(0, count(area.Data())) << readable;
        EXPECT_TRUE(area.Untouched());
    }
    // Three entries, the second not addressed; the last one's Next at the
    // start, a middle and the end of the unreadable page's neighbourhood.
    const char *ips[3] = {"192.168.1.10", "0.0.0.0", ""};
    for (int variant = 0; variant < 3; ++variant) {
        Area area(3 * kEntry, true);
        std::vector<uint8_t> before(area.Data(), area.Data() + 3 * kEntry);
        auto *entries = reinterpret_cast<IP_ADAPTER_INFO *>(area.Data());
        for (int i = 0; i < 3; ++i) {
            std::memset(&entries[i], 0, kEntry);
            std::strcpy(entries[i].IpAddressList.IpAddress.String, ips[i]);
            entries[i].Next = i < 2 ? &entries[i + 1] : nullptr;
        }
        int32_t expected = 2;
        if (variant == 1) {
            // The last entry's Next points at the unreadable page.
            entries[2].Next = reinterpret_cast<IP_ADAPTER_INFO *>(area.Data() + 3 * kEntry);
        } else if (variant == 2) {
            // A chain that loops back to its first entry ends after a bounded walk.
            entries[2].Next = &entries[0];
            expected = -1;
        }
        before.assign(area.Data(), area.Data() + 3 * kEntry);
        const int32_t result = count(area.Data());
        if (expected >= 0) {
            EXPECT_EQ(expected, result) << variant;
        } else {
            EXPECT_GE(result, 2) << variant;
        }
        EXPECT_EQ(0, std::memcmp(before.data(), area.Data(), before.size())) << variant;
        EXPECT_TRUE(area.OutsideUntouched(3 * kEntry));
    }
}

TEST_F(ReliabilityMatrix, SysInfoAnswersEveryBadInput) {
    auto sys = HS_EXPORT(*s_lib, HsiGetSysInfo);
    EXPECT_EQ(9u, sys(nullptr, nullptr));
    uint32_t total = 0;
    EXPECT_EQ(9u, sys(nullptr, &total));
    // A header of 0, 24 and 27 bytes: the first 28 bytes must be readable.
    for (size_t bytes : {size_t{0}, size_t{24}, size_t{27}}) {
        Area area(bytes, true);
        total = 0;
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total)) << bytes;
        EXPECT_EQ(0u, total);
        EXPECT_TRUE(area.Untouched());
    }
    {
        Area area(28, false);
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), nullptr));
        EXPECT_TRUE(area.Untouched());
    }
    // The size query over exactly 28 bytes.
    SYSINFOHEADER sizes;
    {
        Area area(28, true);
        total = 0;
        EXPECT_EQ(111u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        std::memcpy(&sizes, area.Data(), sizeof sizes);
        EXPECT_EQ(1480u, sizes.commonSize);
        EXPECT_EQ(2u * 528u, sizes.cpuSize);
        EXPECT_EQ(sizes.commonSize + sizes.cpuSize + sizes.driverSize + sizes.deviceSize + sizes.adapterSize +
                      sizes.softwareSize,
                  total);
        EXPECT_TRUE(area.OutsideUntouched(24));
        EXPECT_TRUE(area.ByteUntouched(24) && area.ByteUntouched(27));
    }
    const uint32_t sum = total;
    // A total of one byte: every section is larger than the whole block.
    {
        Area area(24 + sum, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = 1;
        EXPECT_EQ(232u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        EXPECT_TRUE(area.OutsideUntouched(24));
    }
    // The exact block and a larger total.
    for (uint32_t given : {sum, sum + 1000}) {
        SCOPED_TRACE(given);
        Area area(24 + sum + 1000, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = given;
        EXPECT_EQ(0u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        const size_t copied = given < sum ? given : sum;
        EXPECT_TRUE(area.OutsideUntouched(24 + copied));
        EXPECT_EQ(0, std::memcmp(area.Data(), &sizes, sizeof sizes));
        if (copied == sum) {
            uint32_t length = 0;
            std::memcpy(&length, area.Data() + 24, 4);
            EXPECT_EQ(32u, length);
            std::memcpy(&length, area.Data() + 24 + 1332, 4);
            EXPECT_EQ(148u, length);
        }
    }
    // Stray section sizes (an uninitialised header): bounded by the block, and
    // nothing written past the total.
    for (uint32_t stray : {0x7FFFFFF0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(stray);
        Area area(24 + sum, false);
        const SYSINFOHEADER strayHeader = {stray, stray, stray, stray, stray, stray};
        std::memcpy(area.Data(), &strayHeader, sizeof strayHeader);
        total = sum;
        const uint32_t result = sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total);
        EXPECT_TRUE(result == 0u || result == 232u) << result;
        EXPECT_TRUE(area.OutsideUntouched(24 + sum));
        EXPECT_EQ(0, std::memcmp(area.Data(), &strayHeader, sizeof strayHeader));
        // A stray total as well, over a block that holds far less.
        total = stray;
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        EXPECT_TRUE(area.OutsideUntouched(24 + sum));
    }
    // The size query writes the total: read-only, it answers 9 and nothing
    // is written.
    {
        Area area(28, false);
        ReadOnlySize zero(0);
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), zero.Get()));
        EXPECT_TRUE(area.Untouched());
    }
    // A fill only reads the header and the total: both read-only, the block
    // after the header (on the next page) is filled.
    {
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        const size_t blockPages = (sum + page - 1) / page;
        GuardedMemory memory(24 + blockPages * page);
        std::memcpy(memory.Data(), &sizes, sizeof sizes);
        memory.MakeReadOnly(0, 24);
        ReadOnlySize readOnlyTotal(sum);
        EXPECT_EQ(0u, sys(reinterpret_cast<SYSINFOHEADER *>(memory.Data()), readOnlyTotal.Get()));
        uint32_t length = 0;
        std::memcpy(&length, memory.Data() + 24, 4);
        EXPECT_EQ(32u, length);
        EXPECT_TRUE(memory.Untouched(24 + sum, blockPages * page - sum));
    }
    // An unreadable page in the first, a middle and the last section.
    const uint32_t offsets[3] = {0, sizes.commonSize + sizes.cpuSize + sizes.driverSize, sum - 1};
    for (uint32_t offset : offsets) {
        SCOPED_TRACE(offset);
        Area area(24 + offset + (offset == 0 ? 4 : 0), true);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = sum;
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        EXPECT_EQ(sum, total);
        EXPECT_EQ(0, std::memcmp(area.Data(), &sizes, sizeof sizes));
        for (size_t i = 24; i < area.Bytes(); ++i) ASSERT_TRUE(area.ByteUntouched(i)) << i;
    }
}

// Memory that can be read but not written, handed to every export where it
// would write: each refuses it with its failure result (a write would fault).
TEST_F(ReliabilityMatrix, ReadOnlyMemoryIsRefused) {
    for (const BufferExport &e : BufferExports()) {
        const uint32_t bytes = static_cast<uint32_t>(e.checkedRecords * e.recordSize);
        Area area(bytes, true);
        area.MakeReadOnly();
        uint32_t size = bytes;
        EXPECT_EQ(111u, e.call(area.Data(), &size)) << e.name;
        EXPECT_TRUE(area.Untouched()) << e.name;
    }
    for (const ListExport &e : ListExports(*s_lib)) {
        SCOPED_TRACE(e.name);
        const size_t bytes = static_cast<size_t>(e.items) * e.recordSize;
        // Read-only records behind a writable header, then a read-only header.
        for (bool headerReadOnly : {false, true}) {
            Area header(e.headerSize, false);
            Area records(bytes, true);
            SetRecords(header, e.recordsField, records.Address32());
            (headerReadOnly ? header : records).MakeReadOnly();
            EXPECT_EQ(0, e.call(header.Data(), e.items)) << headerReadOnly;
            EXPECT_TRUE(HeaderUntouched(header, e.recordsField)) << headerReadOnly;
            if (headerReadOnly) continue;
            EXPECT_TRUE(records.Untouched());
        }
    }
    auto common = HS_EXPORT(*s_lib, HsiGetCommonInfo);
    auto user = HS_EXPORT(*s_lib, HsiGetNetUserInfo);
    {
        Area area(sizeof(COMMONINFO), true);
        area.MakeReadOnly();
        EXPECT_EQ(0, common(reinterpret_cast<COMMONINFO *>(area.Data())));
        Area userArea(sizeof(NETUSERINFO), true);
        userArea.MakeReadOnly();
        EXPECT_EQ(111, user(reinterpret_cast<NETUSERINFO *>(userArea.Data())));
    }
    // The block of HsiGetSysInfo: the size query, then the fill.
    auto sys = HS_EXPORT(*s_lib, HsiGetSysInfo);
    uint32_t total = 0;
    {
        Area area(28, true);
        area.MakeReadOnly();
        EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        EXPECT_TRUE(area.Untouched());
    }
    SYSINFOHEADER sizes;
    {
        Area area(28, true);
        ASSERT_EQ(111u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &total));
        std::memcpy(&sizes, area.Data(), sizeof sizes);
    }
    Area area(24 + total, true);
    std::memcpy(area.Data(), &sizes, sizeof sizes);
    area.MakeReadOnly();
    uint32_t given = total;
    EXPECT_EQ(9u, sys(reinterpret_cast<SYSINFOHEADER *>(area.Data()), &given));
    EXPECT_EQ(0, std::memcmp(area.Data(), &sizes, sizeof sizes));
    for (size_t i = 24; i < area.Bytes(); ++i) ASSERT_TRUE(area.ByteUntouched(i)) << i;
}

}  // namespace
