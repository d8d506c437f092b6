// Bad caller input against every export that takes caller memory, one table
// run by the native tests (over a simulated machine) and by the Windows test
// program (over Windows); docs/reliability.md lists its cases and how every
// buffer lies between fill bytes and in front of an inaccessible page.
#pragma once

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "exports.h"

namespace badinput {

using hstest::Exports;
using hstest::NeverWritten;
using hstest::Offsets;
using hstest::Range;

// Supplied by the program that runs the table: read-write pages below 4 GiB
// (null when there are none), their release, and their protection
// (read-only, or no access at all); a failed check.
uint8_t *MapPages(size_t bytes);
void UnmapPages(uint8_t *pages, size_t bytes);
bool ProtectPages(uint8_t *pages, size_t bytes, bool readable);
void Fail(const std::string &text);

constexpr size_t kPage = 4096;
constexpr uint8_t kFill = 0xCD;
constexpr size_t kLead = 24;
constexpr size_t kTrail = 24;

// kLead fill bytes, the bytes handed over, then kTrail fill bytes, or none
// when the handed bytes end right at the inaccessible page that follows.
class Area {
public:
    Area(size_t bytes, bool guarded) : m_bytes(bytes), m_trail(guarded ? 0 : kTrail) {
        m_readable = (kLead + bytes + m_trail + kPage - 1) / kPage * kPage;
        m_base = MapPages(m_readable + kPage);
        if (m_base == nullptr) throw std::runtime_error("no memory below 4 GiB");
        std::memset(m_base, kFill, m_readable);
        ProtectPages(m_base + m_readable, kPage, false);
        m_data = m_base + m_readable - m_trail - bytes;
    }
    ~Area() { UnmapPages(m_base, m_readable + kPage); }
    Area(const Area &) = delete;
    Area &operator=(const Area &) = delete;

    uint8_t *Data() const { return m_data; }
    template <typename T>
    T *As() const {
        return reinterpret_cast<T *>(m_data);
    }
    uint32_t Address32() const { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(m_data)); }
    size_t Bytes() const { return m_bytes; }
    // The fill holds outside the first `written` bytes handed over.
    bool OutsideUntouched(size_t written = 0) const {
        return Holds(m_data - kLead, kLead) && Holds(m_data + written, m_bytes + m_trail - written);
    }
    bool ByteUntouched(size_t offset) const { return m_data[offset] == kFill; }
    // The pages that hold handed bytes [offset, offset + count) become read-only.
    void MakeReadOnly(size_t offset, size_t count) {
        const uintptr_t begin = reinterpret_cast<uintptr_t>(m_data + offset) / kPage * kPage;
        const uintptr_t end = (reinterpret_cast<uintptr_t>(m_data + offset + count) + kPage - 1) / kPage * kPage;
        if (!ProtectPages(reinterpret_cast<uint8_t *>(begin), end - begin, true)) Fail("cannot protect pages");
    }
    void MakeReadOnly() { MakeReadOnly(0, std::max<size_t>(m_bytes, 1)); }

private:
    static bool Holds(const uint8_t *p, size_t n) {
        return std::all_of(p, p + n, [](uint8_t b) { return b == kFill; });
    }
    size_t m_bytes;
    size_t m_trail;
    size_t m_readable = 0;
    uint8_t *m_base = nullptr;
    uint8_t *m_data = nullptr;
};

// A 32-bit size variable that holds a value and cannot be written.
class ReadOnlyWord {
public:
    explicit ReadOnlyWord(uint32_t value) {
        std::memcpy(m_area.Data(), &value, sizeof value);
        m_area.MakeReadOnly();
    }
    uint32_t *Get() const { return m_area.As<uint32_t>(); }

private:
    Area m_area{sizeof(uint32_t), false};
};

// The records [0, n) hold the fill at every offset of `never`.
inline bool NeverWrittenIn(const Area &area, size_t n, size_t rec, const Offsets &never) {
    for (size_t i = 0; i < n; ++i)
        for (size_t offset : never)
            if (!area.ByteUntouched(i * rec + offset)) return false;
    return true;
}

// Each of the n records' next names the following record, the last's is 0.
inline bool Chained(const Area &area, size_t n, size_t rec) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t next = 0;
        std::memcpy(&next, area.Data() + i * rec, sizeof next);
        if (next != (i + 1 < n ? area.Address32() + static_cast<uint32_t>((i + 1) * rec) : 0u)) return false;
    }
    return true;
}

// Records [0, n) of a and b are equal but for their next fields.
inline bool SameRecords(const Area &a, const Area &b, size_t n, size_t rec) {
    for (size_t i = 0; i < n; ++i)
        if (std::memcmp(a.Data() + i * rec + 4, b.Data() + i * rec + 4, rec - 4) != 0) return false;
    return true;
}

// Readable bytes that end halfway into record `index`.
inline size_t ReadableUpTo(size_t index, size_t rec) { return index * rec + rec / 2; }

// The case being run, named in every failure; the number of cases run.
class Cases {
public:
    explicit Cases(const Exports &exports) : x(exports) {}
    void Begin(const std::string &name, const std::string &what) {
        ++m_count;
        m_case = name + ", " + what;
    }
    void Check(bool ok, const char *what) const {
        if (!ok) Fail(m_case + ": " + what);
    }
    void Result(long long actual, long long expected) const {
        if (actual != expected)
            Fail(m_case + ": result " + std::to_string(actual) + ", expected " + std::to_string(expected));
    }
    // A family that this machine lacks: its cases are left out, and why.
    void Skip(const std::string &name, const char *why) { m_skipped.push_back(name + ": " + why); }
    int Count() const { return m_count; }
    const std::vector<std::string> &Skipped() const { return m_skipped; }

    const Exports &x;

private:
    std::string m_case;
    int m_count = 0;
    std::vector<std::string> m_skipped;
};

// ---------------------------------------------------------------------------
// The five exports that fill a buffer of a given size.

struct BufferExport {
    const char *name;
    std::function<uint32_t(void *, uint32_t *)> call;
    size_t rec;
    Offsets never;
    uint32_t noWholeRecord;  // the answer to a size below one record
    bool readsSize;          // false: the size is only written (the adapter export)
};

template <typename Record>
BufferExport Buffer(const char *name, uint32_t(HSAPI *fn)(Record *, uint32_t *), uint32_t noWholeRecord,
                    bool readsSize = true) {
    return {name, [fn](void *b, uint32_t *s) { return fn(static_cast<Record *>(b), s); }, sizeof(Record),
            NeverWritten<Record>(), noWholeRecord, readsSize};
}

// adapterEntries: the entries of the system's adapter list, each of which
// the adapter export checks room for, addressed or not.
inline void BufferCases(Cases &c, uint32_t adapterEntries) {
    const BufferExport table[] = {
        Buffer("HsiGetCpuInfo", c.x.HsiGetCpuInfo, 0),       Buffer("HsiGetDriverInfo", c.x.HsiGetDriverInfo, 111),
        Buffer("HsiGetDeviceInfo", c.x.HsiGetDeviceInfo, 232), Buffer("HsiGetAdapterInfo", c.x.HsiGetAdapterInfo, 111, false),
        Buffer("HsiGetSoftwareInfo", c.x.HsiGetSoftwareInfo, 0),
    };
    for (const BufferExport &e : table) {
        const uint32_t rec = static_cast<uint32_t>(e.rec);
        uint32_t queried = 0x5A5A5A5Au;
        c.Begin(e.name, "null buffer");
        c.Result(e.call(nullptr, &queried), 111);
        const uint32_t count = queried / rec;
        c.Check(queried % rec == 0, "a size query answered part of a record");
        if (count == 0) {
            c.Skip(e.name, "the machine has none of these records");
            continue;
        }
        const uint32_t checked = e.readsSize ? count : adapterEntries;
        // A null size, and one on an inaccessible page.
        for (bool null : {true, false}) {
            c.Begin(e.name, null ? "null size" : "inaccessible size");
            Area area(queried, false), inaccessible(0, true);
            uint32_t *size = null ? nullptr : inaccessible.As<uint32_t>();
            c.Result(e.call(nullptr, size), 111);
            const uint32_t result = e.call(area.Data(), size);
            if (e.readsSize) {
                c.Result(result, 111);
                c.Check(area.OutsideUntouched(), "buffer written");
            } else {  // the adapter export never reads the size
                c.Check(result == 0 || result == 111, "result neither 0 nor 111");
                c.Check(area.OutsideUntouched(queried), "written past the records");
            }
        }
        for (uint32_t bytes : {0u, rec - 1}) {
            c.Begin(e.name, "size " + std::to_string(bytes));
            Area area(bytes, true);
            uint32_t size = bytes;
            c.Result(e.call(area.Data(), &size), e.readsSize ? e.noWholeRecord : 111);
            c.Check(size == (e.readsSize ? bytes : queried), "size");
            c.Check(area.OutsideUntouched(), "buffer written");
        }
        // The exact size against the inaccessible page; room for two more
        // records and a part of one.
        for (bool larger : {false, true}) {
            const uint32_t rooms = larger ? std::max(checked, count) + 2 : count;
            const uint32_t bytes = larger ? rooms * rec + rec / 3 : queried;
            c.Begin(e.name, (larger ? "larger size " : "exact size ") + std::to_string(bytes));
            Area area(bytes, !larger);
            uint32_t size = bytes;
            const uint32_t result = e.call(area.Data(), &size);
            c.Check(size == bytes, "size changed");
            if (!larger && checked > count) {  // fewer records than the list has entries
                c.Result(result, 111);
                c.Check(area.OutsideUntouched(), "buffer written");
                continue;
            }
            const uint32_t filled = e.readsSize ? rooms : count;
            c.Result(result, 0);
            c.Check(area.OutsideUntouched(filled * rec) && NeverWrittenIn(area, filled, rec, e.never),
                    "written outside the records or a field's last byte");
            c.Check(Chained(area, filled, rec), "records not chained");
        }
        for (uint32_t bad : {0u, checked / 2, checked - 1}) {
            c.Begin(e.name, "inaccessible record " + std::to_string(bad));
            Area area(ReadableUpTo(bad, rec), true);
            uint32_t size = checked * rec;
            c.Result(e.call(area.Data(), &size), 111);
            c.Check(size == (e.readsSize ? checked * rec : queried), "size");
            c.Check(area.OutsideUntouched(), "buffer written");
        }
        // A fill only reads its size: read-only, it answers as a writable
        // one. A size query writes it, and records are written: read-only,
        // both are refused.
        const uint32_t bytes = std::max(checked, count) * rec;
        c.Begin(e.name, "read-only size of a fill");
        Area writable(bytes, false);
        uint32_t size = bytes;
        c.Result(e.call(writable.Data(), &size), 0);
        Area area(bytes, false);
        const ReadOnlyWord readOnly(bytes);
        c.Result(e.call(area.Data(), readOnly.Get()), 0);
        c.Check(SameRecords(writable, area, bytes / rec, rec) && area.OutsideUntouched(bytes),
                "records differ from a fill with a writable size");
        c.Begin(e.name, "read-only size of a size query");
        const ReadOnlyWord query(0x5A5A5A5Au);
        c.Result(e.call(nullptr, query.Get()), 111);
        c.Check(*query.Get() == 0x5A5A5A5Au, "size written");
        c.Begin(e.name, "read-only records");
        Area records(bytes, true);
        records.MakeReadOnly();
        size = bytes;
        c.Result(e.call(records.Data(), &size), 111);
        c.Check(records.OutsideUntouched(), "records written");
    }
}

// ---------------------------------------------------------------------------
// The list calls: a header, a record count and a record array.

struct ListExport {
    const char *name;
    std::function<int32_t(void *, int32_t)> call;
    size_t headerSize;
    size_t recordsField;  // offset of the records address in the header
    size_t rec;
    Offsets never;        // per record
    int32_t items;
    bool negativeAccepted;  // a negative count writes the header and answers 1
};

template <typename Record, typename List>
ListExport ListOf(const char *name, int32_t(HSAPI *fn)(List *, int32_t), Offsets never, int32_t items,
                  bool negativeAccepted) {
    return {name,  [fn](void *l, int32_t n) { return fn(static_cast<List *>(l), n); },
            sizeof(List), offsetof(List, records), sizeof(Record), never, items, negativeAccepted};
}

inline void ListCases(Cases &c) {
    const Exports &x = c.x;
    const ListExport table[] = {
        ListOf<CPUINFO>("HsiGetCpuInfoEx", x.HsiGetCpuInfoEx, Range(0, 4, NeverWritten<CPUINFO>()),
                        x.HsiGetCpuCount(), true),
        ListOf<NETINFO>("HsiGetNetInfoEx", x.HsiGetNetInfoEx, NeverWritten<NETINFO>(), x.HsiGetNetCount(), false),
        ListOf<SOFTWAREINFO>("HsiGetSoftwareInfoEx", x.HsiGetSoftwareInfoEx, Range(0, 4, NeverWritten<SOFTWAREINFO>()),
                             x.HsiGetSoftwareCount(), false),
    };
    for (const ListExport &e : table) {
        // A call whose header names recordBytes of records (none when
        // withRecords is false). Answer 1: the header holds the count, the
        // record size and the category, the records keep what they must.
        // Otherwise nothing but the records address is in the header, and
        // the records are untouched. readOnly: 1 the header, 2 the records.
        auto run = [&](const std::string &what, size_t recordBytes, bool withRecords, int32_t count, int32_t expected,
                       int readOnly = 0) {
            c.Begin(e.name, what);
            Area header(e.headerSize, false);
            Area records(recordBytes, true);
            const uint32_t where = withRecords ? records.Address32() : 0;
            std::memcpy(header.Data() + e.recordsField, &where, 4);
            if (readOnly != 0) (readOnly == 1 ? header : records).MakeReadOnly();
            c.Result(e.call(header.Data(), count), expected);
            if (expected == 1) {
                int32_t written[2];
                std::memcpy(written, header.Data(), 8);
                c.Check(written[0] == count && written[1] == static_cast<int32_t>(e.rec) &&
                            header.OutsideUntouched(e.headerSize),
                        "header");
                c.Check(e.headerSize != sizeof(SOFTWAREINFOLIST) ||
                            (std::strcmp(reinterpret_cast<const char *>(header.Data()) + 8, "Software") == 0 &&
                             header.ByteUntouched(8 + 31)),
                        "category");
                c.Check(count < 0 ? records.OutsideUntouched()
                                  : records.OutsideUntouched(recordBytes) &&
                                        NeverWrittenIn(records, recordBytes / e.rec, e.rec, e.never),
                        "written outside the records or a field's last byte");
            } else {
                bool untouched = header.OutsideUntouched(e.headerSize) && records.OutsideUntouched();
                for (size_t i = 0; i < e.headerSize; ++i)
                    untouched &= (i >= e.recordsField && i < e.recordsField + 4) || header.ByteUntouched(i);
                c.Check(untouched, "header or records written");
            }
        };
        const int32_t items = e.items;
        if (items <= 0) {
            c.Skip(e.name, "the machine has none of these records");
            continue;
        }
        const size_t exact = static_cast<size_t>(items) * e.rec;
        c.Begin(e.name, "null header");
        c.Result(e.call(nullptr, items), 0);
        for (size_t bytes : {size_t{0}, e.headerSize - 1}) {
            c.Begin(e.name, "header of " + std::to_string(bytes) + " bytes");
            Area header(bytes, true);
            c.Result(e.call(header.Data(), items), 0);
            c.Check(header.OutsideUntouched(), "header written");
        }
        for (int32_t count : {0, -1, INT_MIN, INT_MAX})
            run("count " + std::to_string(count), exact, true, count, count < 0 && e.negativeAccepted);
        run("null records", 0, false, items, 0);
        for (size_t bytes : {size_t{0}, e.rec - 1}) run("one record in " + std::to_string(bytes) + " bytes", bytes, true, 1, 0);
        for (int32_t count : {items, items + 2})
            run("records " + std::to_string(count), static_cast<size_t>(count) * e.rec, true, count, 1);
        for (int32_t bad : {0, items / 2, items - 1})
            run("inaccessible record " + std::to_string(bad), ReadableUpTo(static_cast<size_t>(bad), e.rec), true,
                items, 0);
        run("read-only header", exact, true, items, 0, 1);
        run("read-only records", exact, true, items, 0, 2);
    }
}

// ---------------------------------------------------------------------------
// One fixed-size record, handed as a pointer.

// A record of `size` bytes handed as null, and with none, half and all but
// its last byte readable: `rejected`, and nothing written.
template <typename Call>
void ShortCases(Cases &c, const char *name, size_t size, Call call, int32_t rejected) {
    c.Begin(name, "null record");
    c.Result(call(nullptr), rejected);
    for (size_t readable : {size_t{0}, size / 2, size - 1}) {
        c.Begin(name, std::to_string(readable) + " readable bytes");
        Area area(readable, true);
        c.Result(call(area.Data()), rejected);
        c.Check(area.OutsideUntouched(), "record written");
    }
}

struct RecordExport {
    const char *name;
    std::function<int32_t(void *)> call;
    size_t size;
    Offsets never;
    int32_t filled;    // the answer when the record is filled
    int32_t rejected;  // the answer when it is not usable
};

inline void RecordCases(Cases &c) {
    const Exports &x = c.x;
    const RecordExport table[] = {
        {"HsiGetCommonInfo", [&x](void *p) { return x.HsiGetCommonInfo(static_cast<COMMONINFO *>(p)); },
         sizeof(COMMONINFO), NeverWritten<COMMONINFO>(), 1, 0},
        {"HsiGetNetUserInfo", [&x](void *p) { return x.HsiGetNetUserInfo(static_cast<NETUSERINFO *>(p)); },
         sizeof(NETUSERINFO), NeverWritten<NETUSERINFO>(), 1, 111},
    };
    for (const RecordExport &e : table) {
        ShortCases(c, e.name, e.size, e.call, e.rejected);
        for (bool guarded : {true, false}) {
            c.Begin(e.name, guarded ? "exact record, inaccessible after" : "exact record, room after");
            Area area(e.size, guarded);
            c.Result(e.call(area.Data()), e.filled);
            c.Check(area.OutsideUntouched(e.size) && NeverWrittenIn(area, 1, e.size, e.never),
                    "written outside the record or a field's last byte");
        }
        c.Begin(e.name, "read-only record");
        Area area(e.size, true);
        area.MakeReadOnly();
        c.Result(e.call(area.Data()), e.rejected);
        c.Check(area.OutsideUntouched(), "record written");
    }
}

// ---------------------------------------------------------------------------
// An adapter list as GetAdaptersInfo lays it out (AdapterEntry: the
// platform's IP_ADAPTER_INFO), in caller memory: read, never written.

template <typename AdapterEntry>
void AdapterCountCases(Cases &c) {
    const char *name = "HsiGetAdapterCount";
    const size_t entry = sizeof(AdapterEntry);
    ShortCases(c, name, entry, c.x.HsiGetAdapterCount, 0);
    // Three entries, the second without an address; the last one ends the
    // list, points at the inaccessible page, or loops back to the first (a
    // bounded walk that counts at least the addressed entries).
    for (int variant = 0; variant < 3; ++variant) {
        c.Begin(name, "three entries, variant " + std::to_string(variant));
        Area area(3 * entry, true);
        auto *entries = area.template As<AdapterEntry>();
        const char *ips[3] = {"192.168.1.10", "0.0.0.0", ""};
        for (int i = 0; i < 3; ++i) {
            std::memset(&entries[i], 0, entry);
            std::strcpy(entries[i].IpAddressList.IpAddress.String, ips[i]);
            entries[i].Next = i < 2 ? &entries[i + 1] : nullptr;
        }
        if (variant == 1) entries[2].Next = reinterpret_cast<AdapterEntry *>(area.Data() + 3 * entry);
        if (variant == 2) entries[2].Next = &entries[0];
        const std::vector<uint8_t> before(area.Data(), area.Data() + 3 * entry);
        const int32_t result = c.x.HsiGetAdapterCount(area.Data());
        if (variant < 2)
            c.Result(result, 2);
        else
            c.Check(result >= 2, "a looping list counted less than its addressed entries");
        c.Check(std::memcmp(before.data(), area.Data(), before.size()) == 0 && area.OutsideUntouched(3 * entry),
                "list written");
    }
}

// ---------------------------------------------------------------------------
// The system-information block.

inline void SysInfoCases(Cases &c) {
    const char *name = "HsiGetSysInfo";
    auto call = [&c](const Area &area, uint32_t *total) { return c.x.HsiGetSysInfo(area.As<SYSINFOHEADER>(), total); };
    uint32_t total = 0;
    c.Begin(name, "null block");
    c.Result(c.x.HsiGetSysInfo(nullptr, nullptr), 9);
    c.Result(c.x.HsiGetSysInfo(nullptr, &total), 9);
    for (size_t bytes : {size_t{0}, size_t{24}, size_t{27}}) {  // the first 28 bytes must be readable
        c.Begin(name, std::to_string(bytes) + " block bytes");
        Area area(bytes, true);
        total = 0;
        c.Result(call(area, &total), 9);
        c.Check(total == 0 && area.OutsideUntouched(), "total or block written");
    }
    {
        c.Begin(name, "null total");
        Area area(28, false);
        c.Result(call(area, nullptr), 9);
        c.Check(area.OutsideUntouched(), "block written");
    }
    // The size query writes the header and the total: read-only, it answers
    // 9 and nothing is written.
    for (bool headerReadOnly : {true, false}) {
        c.Begin(name, headerReadOnly ? "size query, read-only header" : "size query, read-only total");
        Area area(28, true);
        const ReadOnlyWord readOnlyTotal(0);
        total = 0;
        if (headerReadOnly) area.MakeReadOnly();
        c.Result(call(area, headerReadOnly ? &total : readOnlyTotal.Get()), 9);
        c.Check(area.OutsideUntouched() && total == 0 && *readOnlyTotal.Get() == 0, "header or total written");
    }
    SYSINFOHEADER sizes;
    {
        c.Begin(name, "size query over 28 bytes");
        Area area(28, true);
        total = 0;
        c.Result(call(area, &total), 111);
        std::memcpy(&sizes, area.Data(), sizeof sizes);
        c.Check(area.OutsideUntouched(24) && area.ByteUntouched(24) && area.ByteUntouched(27),
                "written past the section sizes");
        c.Check(sizes.commonSize == sizeof(COMMONINFO) && total == sizes.commonSize + sizes.cpuSize + sizes.driverSize +
                                                                     sizes.deviceSize + sizes.adapterSize +
                                                                     sizes.softwareSize,
                "section sizes and total");
    }
    const uint32_t sum = total;
    // Without drives or devices a fill has nothing to copy and answers 232.
    const uint32_t fillResult = sizes.driverSize == 0 || sizes.deviceSize == 0 ? 232u : 0u;
    // The common section's memory status and version lengths, in a filled block.
    auto commonFilled = [](const uint8_t *section) {
        uint32_t memory = 0, version = 0;
        std::memcpy(&memory, section, 4);
        std::memcpy(&version, section + offsetof(COMMONINFO, osVersion), 4);
        return memory == sizeof(HSMEMORYSTATUS) && version == sizeof(HSOSVERSIONINFO);
    };
    {
        c.Begin(name, "total 1");  // every section is larger than the whole block
        Area area(24 + sum, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = 1;
        c.Result(call(area, &total), 232);
        c.Check(area.OutsideUntouched(24), "block written");
    }
    for (uint32_t given : {sum, sum + 1000}) {  // the exact block and a larger total
        c.Begin(name, "total " + std::to_string(given));
        Area area(24 + sum + 1000, false);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        total = given;
        c.Result(call(area, &total), fillResult);
        c.Check(area.OutsideUntouched(fillResult == 0 ? 24 + sum : 24), "written past the block");
        c.Check(std::memcmp(area.Data(), &sizes, sizeof sizes) == 0, "section sizes changed");
        c.Check(fillResult != 0 || commonFilled(area.Data() + 24), "common section not filled");
    }
    // A common section 64 bytes larger than its record: zero bytes after the
    // record, the processor section after them as in the exact block.
    if (fillResult == 0 && sizes.cpuSize != 0) {
        c.Begin(name, "common section 64 bytes larger");
        Area exact(24 + sum, false), larger(24 + sum + 64, false);
        std::memcpy(exact.Data(), &sizes, sizeof sizes);
        SYSINFOHEADER padded = sizes;
        padded.commonSize += 64;
        std::memcpy(larger.Data(), &padded, sizeof padded);
        uint32_t exactTotal = sum, largerTotal = sum + 64;
        c.Result(call(exact, &exactTotal) + call(larger, &largerTotal), 0);
        const uint8_t *pad = larger.Data() + 24 + sizeof(COMMONINFO);
        c.Check(std::all_of(pad, pad + 64, [](uint8_t b) { return b == 0; }) &&
                    std::memcmp(exact.Data() + 28 + sizeof(COMMONINFO), pad + 68, sizeof(CPUINFO) - 4) == 0,
                "section not padded with zero bytes, or the next one out of place");
    }
    // Stray section sizes (an uninitialised header): bounded by the block,
    // nothing written past the total; with a stray total as well the block
    // is not held and answers 9.
    for (uint32_t stray : {0x7FFFFFF0u, 0xFFFFFFFFu}) {
        c.Begin(name, "stray section sizes " + std::to_string(stray));
        Area area(24 + sum, false);
        const SYSINFOHEADER strayHeader = {stray, stray, stray, stray, stray, stray};
        std::memcpy(area.Data(), &strayHeader, sizeof strayHeader);
        total = sum;
        const uint32_t result = call(area, &total);
        c.Check(result == 0 || result == 232, "result neither 0 nor 232");
        c.Check(area.OutsideUntouched(24 + sum) && std::memcmp(area.Data(), &strayHeader, sizeof strayHeader) == 0,
                "written past the block or the section sizes changed");
        total = stray;
        c.Result(call(area, &total), 9);
        c.Check(area.OutsideUntouched(24 + sum), "written past the block");
    }
    // A fill only reads the header and the total: both read-only (the header
    // at the end of its page), the block on the pages after it is filled.
    {
        c.Begin(name, "fill, read-only header and total");
        const size_t blockPages = (sum + kPage - 1) / kPage;
        Area area(24 + blockPages * kPage, true);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        area.MakeReadOnly(0, 24);
        const ReadOnlyWord readOnlyTotal(sum);
        c.Result(call(area, readOnlyTotal.Get()), fillResult);
        c.Check(fillResult != 0 || commonFilled(area.Data() + 24), "common section not filled");
        c.Check(area.OutsideUntouched(24 + (fillResult == 0 ? sum : 0)), "written past the block");
    }
    // An inaccessible page in the first, a middle and the last section, and
    // a block that cannot be written.
    const uint32_t offsets[3] = {0, sizes.commonSize + sizes.cpuSize + sizes.driverSize, sum - 1};
    for (int i = 0; i < 4; ++i) {
        c.Begin(name, i < 3 ? "inaccessible from section byte " + std::to_string(offsets[i]) : "read-only block");
        Area area(i < 3 ? 24 + offsets[i] + (offsets[i] == 0 ? 4 : 0) : 24 + sum, true);
        std::memcpy(area.Data(), &sizes, sizeof sizes);
        if (i == 3) area.MakeReadOnly();
        total = sum;
        c.Result(call(area, &total), 9);
        c.Check(total == sum && std::memcmp(area.Data(), &sizes, sizeof sizes) == 0 && area.OutsideUntouched(24),
                "total, section sizes or block written");
    }
}

// Every case over the exports x, in c.
template <typename AdapterEntry>
void RunAll(Cases &c, uint32_t adapterEntries) {
    BufferCases(c, adapterEntries);
    ListCases(c);
    RecordCases(c);
    AdapterCountCases<AdapterEntry>(c);
    SysInfoCases(c);
}

}  // namespace badinput
