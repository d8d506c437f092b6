#include "export_answers.h"

#include <cstdio>

#include "common/export_calls.h"
#include "shifted_call.h"

namespace answers {

namespace {

// The exports of the module in use, each called through shifted::Call at
// the shift in use.
HMODULE g_module = nullptr;
unsigned g_shift = 0;
const void *g_functions[16];

uintptr_t Word(const void *p) { return reinterpret_cast<uintptr_t>(p); }
uintptr_t Word(int32_t n) { return static_cast<uintptr_t>(static_cast<intptr_t>(n)); }

// A 32-bit result: the upper half of a 64-bit result register is undefined.
template <int I, typename F>
struct Shifted;
template <int I, typename R, typename... A>
struct Shifted<I, R (*)(A...)> {
    static R Call(A... a) { return static_cast<R>(static_cast<uint32_t>(shifted::Call(g_shift, g_functions[I], Word(a)...))); }
};

hstest::Exports ShiftedExports() {
    hstest::Exports x;
    constexpr int base = __COUNTER__ + 1;
#define HS_SHIFTED(name)                                                                \
    {                                                                                    \
        constexpr int i = __COUNTER__ - base;                                            \
        g_functions[i] = reinterpret_cast<const void *>(GetProcAddress(g_module, #name)); \
        x.name = &Shifted<i, decltype(x.name)>::Call;                                     \
    }
    HS_EXPORT_NAMES(HS_SHIFTED)
#undef HS_SHIFTED
    return x;
}

// Leaves out the memory figures of a COMMONINFO at `at` (all but the
// structure's length) and the speeds of n CPUINFO records at `at`, as notes.
void LeaveOutMemory(Answer &out, size_t at) {
    HSMEMORYSTATUS m;
    std::memcpy(&m, out.bytes.data() + at, sizeof m);
    char text[200];
    std::snprintf(text, sizeof text,
                  "memory: load %u%%, physical %u of %u, page file %u of %u, virtual %u of %u (bytes free of total)",
                  m.dwMemoryLoad, m.dwAvailPhys, m.dwTotalPhys, m.dwAvailPageFile, m.dwTotalPageFile,
                  m.dwAvailVirtual, m.dwTotalVirtual);
    out.notes.push_back(text);
    std::memset(out.bytes.data() + at + 4, 0, sizeof m - 4);
}

void LeaveOutSpeeds(Answer &out, size_t at, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t *speed = out.bytes.data() + at + i * sizeof(CPUINFO) + offsetof(CPUINFO, speed);
        uint32_t mhz;
        std::memcpy(&mhz, speed, sizeof mhz);
        out.notes.push_back("speed: " + std::to_string(mhz) + " MHz");
        std::memset(speed, 0, sizeof mhz);
    }
}

// The answer and what the call filled, its caller addresses made relative to
// the caller's memory.
Answer Collect(const hstest::ExportCall &call, int64_t answer, const hstest::LowArena &arena) {
    const uint32_t base = hstest::Low32(arena.Base());
    Answer out{call.name, {}, {}};
    const auto *p = reinterpret_cast<const uint8_t *>(&answer);
    out.bytes.assign(p, p + sizeof answer);
    for (const hstest::Output &o : call.outputs) {
        const size_t at = out.bytes.size();
        out.bytes.insert(out.bytes.end(), o.data, o.data + o.bytes);
        for (size_t r = 0; o.addressAt != hstest::kNone && r + o.recordSize <= o.bytes; r += o.recordSize) {
            uint32_t address;
            std::memcpy(&address, out.bytes.data() + at + r + o.addressAt, 4);
            if (address >= base && address - base <= arena.Size()) address -= base;
            std::memcpy(out.bytes.data() + at + r + o.addressAt, &address, 4);
        }
        if (o.recordSize == sizeof(CPUINFO)) LeaveOutSpeeds(out, at, o.bytes / o.recordSize);
        if (o.recordSize == sizeof(COMMONINFO)) LeaveOutMemory(out, at);
        if (call.name == "HsiGetSysInfo" && answer == 0) {
            SYSINFOHEADER sizes;
            std::memcpy(&sizes, o.data, sizeof sizes);
            LeaveOutMemory(out, at + sizeof sizes);
            LeaveOutSpeeds(out, at + sizeof sizes + sizes.commonSize, sizes.cpuSize / sizeof(CPUINFO));
        }
    }
    return out;
}

}  // namespace

std::vector<Answer> AnswerAll(HMODULE module, unsigned shift) {
    g_module = module;
    g_shift = shift;
    std::vector<Answer> all;
    hstest::Buffers buffers;
    // Room for the entries of any adapter list.
    for (const hstest::ExportCall &call : hstest::Calls(buffers, ShiftedExports(), 16))
        all.push_back(Collect(call, call.call(), buffers.arena));
    return all;
}

void Print(const std::vector<Answer> &answers) {
    for (const Answer &a : answers) {
        for (size_t line = 0; line < a.bytes.size(); line += 64) {
            std::printf("%s %04lx ", a.name.c_str(), static_cast<unsigned long>(line));
            for (size_t i = line; i < a.bytes.size() && i < line + 64; ++i) std::printf("%02x", a.bytes[i]);
            std::printf("\n");
        }
    }
    for (const Answer &a : answers)
        for (const std::string &note : a.notes) std::printf("# %s %s\n", a.name.c_str(), note.c_str());
}

}  // namespace answers
