#include "bench_machine.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <new>
#include <stdexcept>

#include "api/inventory.h"
#include "platform/sim/sim_machine.h"
#include "registry/class_guids.h"

namespace hsbench {

namespace {

const char kEnum[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\";
const char kOtherClass[] = "{745A17A0-74D3-11D0-B6FE-00A0C90F57DA}";  // HID, listed by no collector

std::string Format(const char *format, int a, int b = 0) {
    char text[512];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// One device instance: its keys and values. Most are started (a Control
// subkey); every seventh is not.
void AddInstance(std::string &out, const std::string &enumerator, const std::string &device, int number,
                 const char *classGuid, const std::string &description) {
    const std::string path = std::string(kEnum) + enumerator + "\\" + device + "\\" + Format("%d&%08X&0", number, number * 40503);
    out += "[" + path + "]\n";
    out += std::string("\"ClassGUID\"=\"") + classGuid + "\"\n";
    out += "\"DeviceDesc\"=\"" + description + "\"\n";
    if (number % 2 == 0) out += "\"FriendlyName\"=\"" + description + Format(" #%d", number) + "\"\n";
    out += "\"Mfg\"=\"Generic\"\n\"Service\"=\"svc\"\n\"ConfigFlags\"=dword:00000000\n";
    out += "[" + path + "\\Device Parameters]\n\"Flags\"=dword:00000001\n";
    if (number % 7 != 6) out += "[" + path + "\\Control]\n\"ActiveService\"=\"svc\"\n";
}

// count devices under an enumerator, one instance each, their setup classes
// taken in turn from classes.
void AddDevices(std::string &out, const std::string &enumerator, int count, const char *const *classes,
                int classCount, const char *what) {
    for (int k = 0; k < count; ++k) {
        const std::string device = Format("VEN_%04X&DEV_%04X", 0x1000 + k % 97, k);
        AddInstance(out, enumerator, device, k, classes[k % classCount], std::string(what) + Format(" %d", k));
    }
}

void AddPrograms(std::string &out, int count) {
    static const char *const kPrefixes[] = {"Microsoft Visual C++ 2005 Redistributable ", "Security Update for Windows XP (KB",
                                            "Adobe Reader ", "mozilla Firefox ", "Java(TM) 6 Update ", "zlib "};
    for (int k = 0; k < count; ++k) {
        // Subkey names in an order unrelated to the display names.
        const std::string key = Format("{%08X-0000-0000-0000-%012d}", (k * 2654435761u) % 100000007u, k);
        out += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key + "]\n";
        out += std::string("\"DisplayName\"=\"") + kPrefixes[k % 6] + Format("%d\"\n", (k * 7919) % 100003);
        out += "\"Publisher\"=\"Vendor\"\n\"DisplayVersion\"=\"1.0\"\n";
        // Every tenth entry is an update without an uninstall command: not a program.
        if (k % 10 != 9) out += "\"UninstallString\"=\"MsiExec.exe /X" + key + "\"\n";
    }
}

}  // namespace

std::string GeneratedProfile(int scale) {
    using B = BaseSize;
    std::string out = "REGEDIT4\n\n";
    out += hs::sim::kVirtualClockProcessor;
    out += "[HKEY_SIMULATION\\Drives]\n\"A\"=dword:00000002\n\"C\"=dword:00000003\n\"D\"=dword:00000005\n"
           "\"E\"=dword:00000005\n";
    for (int k = 0; k < B::kAdapters * scale; ++k) {
        out += Format("[HKEY_SIMULATION\\Adapters\\%04d]\n", k);
        out += Format("\"AdapterName\"=\"{ADAPTER-%04d}\"\n\"Description\"=\"Ethernet Adapter %d\"\n", k, k);
        out += Format("\"Address\"=hex:00,0c,29,%02x,%02x,01\n", k >> 8, k & 0xFF);
        // Every fourth adapter has no address yet.
        out += k % 4 == 3 ? std::string("\"IpAddress\"=\"0.0.0.0\"\n")
                          : Format("\"IpAddress\"=\"10.%d.%d.1\"\n", k >> 8, k & 0xFF);
    }
    for (int k = 0; k < B::kLanas * scale; ++k) {
        out += Format("[HKEY_SIMULATION\\NetBIOS\\%03d]\n\"Lana\"=dword:%08x\n", k, k);
        out += Format("\"Address\"=hex:00,0c,29,%02x,%02x,02\n", k >> 8, k & 0xFF);
    }
    out += "[HKEY_SIMULATION\\Printers\\Default\\0000]\n\"Name\"=\"Printer 0\"\n";
    for (int k = 0; k < B::kPrinters * scale; ++k) {
        out += Format("[HKEY_SIMULATION\\Printers\\Local\\%04d]\n\"Name\"=\"Printer %d\"\n", k, k);
    }
    out += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
           "\"RegisteredOwner\"=\"Owner\"\n\"RegisteredOrganization\"=\"Organization\"\n"
           "\"ProductName\"=\"Microsoft Windows XP\"\n\"CurrentVersion\"=\"5.1\"\n\"CurrentBuildNumber\"=\"2600\"\n"
           "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\WinLogon]\n"
           "\"DefaultUserName\"=\"bench\"\n";
    out += "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
           "\"ComputerName\"=\"BENCH\"\n";
    AddPrograms(out, B::kPrograms * scale);

    using namespace hs;
    const char *const pci[] = {CLASSGUID_DISPLAY, CLASSGUID_MEDIA, CLASSGUID_USB, CLASSGUID_SCSIADAPTER, kOtherClass,
                               "{4D36E972-E325-11CE-BFC1-08002BE10318}"};
    const char *const ide[] = {CLASSGUID_DISKDRIVE, CLASSGUID_CDROM};
    const char *const fdc[] = {CLASSGUID_FLOPPYDISK};
    const char *const acpi[] = {CLASSGUID_MOUSE, CLASSGUID_KEYBOARD};
    const char *const root[] = {kOtherClass, CLASSGUID_MODEM};
    const char *const display[] = {CLASSGUID_MONITOR};
    const char *const usb[] = {kOtherClass, CLASSGUID_MOUSE};
    const char *const serenum[] = {CLASSGUID_MODEM};
    const char *const hid[] = {kOtherClass};
    AddDevices(out, "PCI", B::kPciDevices * scale, pci, 6, "PCI Device");
    AddDevices(out, "IDE", B::kIdeDevices * scale, ide, 2, "IDE Drive");
    AddDevices(out, "SCSI", B::kScsiDevices * scale, ide, 2, "SCSI Drive");
    AddDevices(out, "FDC", B::kFdcDevices * scale, fdc, 1, "Floppy Drive");
    AddDevices(out, "ACPI", B::kAcpiDevices * scale, acpi, 2, "Input Device");
    AddDevices(out, "Root", B::kRootDevices * scale, root, 2, "Root Device");
    AddDevices(out, "DISPLAY", B::kDisplayDevices * scale, display, 1, "Monitor");
    AddDevices(out, "USB", B::kUsbDevices * scale, usb, 2, "USB Device");
    AddDevices(out, "Serenum", B::kSerenumDevices * scale, serenum, 1, "Modem");
    AddDevices(out, "HID", B::kHidDevices * scale, hid, 1, "HID Device");
    return out;
}

std::string ProfileOf(int scale) {
    if (scale == kDefaultMachine) return hs::sim::DefaultProfile();
    static std::map<int, std::string> cache;
    auto it = cache.find(scale);
    if (it == cache.end()) it = cache.emplace(scale, GeneratedProfile(scale)).first;
    return it->second;
}

std::string MachineName(int scale) { return scale == kDefaultMachine ? "default" : "x" + std::to_string(scale); }

namespace {
// The machine the collector was last built over; the process starts on the
// built-in machine unless HARDSCAN_MACHINE names another.
// -2: that collector, its processor speed not yet measured.
int g_current = std::getenv("HARDSCAN_MACHINE") == nullptr ? -2 : -1;
}  // namespace

void UseMachine(int scale) {
    if (scale == g_current) return;
    if (scale == kDefaultMachine && g_current == -2) {
        // The collector built at start-up over the built-in machine.
        hs::g_inventory.GetCpuSpeed();
        g_current = scale;
        return;
    }
    // Each machine is read once and installed again on later switches.
    static std::map<int, std::shared_ptr<const hs::sim::Machine>> machines;
    auto it = machines.find(scale);
    if (it == machines.end()) it = machines.emplace(scale, hs::sim::ReadMachine(ProfileOf(scale))).first;
    hs::sim::InstallMachine(it->second);
    hs::g_inventory.~CInventory();
    new (&hs::g_inventory) hs::CInventory();
    // The first processor query measures the clock once (a second of the
    // machine's time) and keeps the answer: paid here, not in the figures.
    hs::g_inventory.GetCpuSpeed();
    g_current = scale;
}

void UseOtherMachine(const std::string &profile) {
    hs::sim::LoadMachine(profile);
    g_current = -1;
}

std::string ProfileFile(int scale) {
    static std::map<int, std::string> files;
    auto it = files.find(scale);
    if (it != files.end()) return it->second;
    const std::string path = "/tmp/hardscan-bench-" + std::to_string(getpid()) + "-" + MachineName(scale) + ".reg";
    std::ofstream(path, std::ios::binary) << ProfileOf(scale);
    static const bool cleanup = std::atexit([] {
        for (const auto &entry : files) std::remove(entry.second.c_str());
    }) == 0;
    (void)cleanup;
    return files.emplace(scale, path).first->second;
}

unsigned char *LowMemory(size_t size) {
    static constexpr size_t kArena = size_t(64) << 20;
    static void *arena = [] {
        void *p = mmap(nullptr, kArena, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        if (p == MAP_FAILED) throw std::runtime_error("no memory below 4 GiB");
        return p;
    }();
    if (size > kArena) throw std::runtime_error("caller memory request too large");
    return static_cast<unsigned char *>(arena);
}

}  // namespace hsbench
