#include "offline/offline_machine.h"

#include <cstdio>

#include "offline/profile_writer.h"

namespace hsinfo::offline {

namespace {

constexpr char kHklm[] = "HKEY_LOCAL_MACHINE";
constexpr char kCurrentControlSet[] = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet";
constexpr char kNtCurrentVersion[] = "Microsoft\\Windows NT\\CurrentVersion";
// The deepest key path a profile holds, the root included.
constexpr size_t kMaxPathParts = 512;

size_t PathParts(const std::string &path) {
    size_t parts = 1;
    for (char c : path) parts += c == '\\';
    return parts;
}

// The key at path below the hive's root, copied for the profile path it goes
// to; nullopt when the hive lacks it.
std::optional<KeyCopy> CopyAt(OpenedHive &hive, const std::string &path, const std::string &profilePath, int levels,
                              OfflineReport &report) {
    return WithFile(hive.path, [&]() -> std::optional<KeyCopy> {
        std::unique_ptr<HiveKey> root = hive.file->Root();
        std::unique_ptr<HiveKey> key = path.empty() ? std::move(root) : FindPath(*root, path);
        if (!key) return std::nullopt;
        CopyGuard guard(hive.file->Size(), kMaxPathParts - PathParts(profilePath));
        KeyCopy copy = CopyKey(*key, guard, levels);
        report.skippedNames += guard.Skipped();
        return copy;
    });
}

const KeyCopy *Get(const std::optional<KeyCopy> &copy) { return copy ? &*copy : nullptr; }

// The NT control set that CurrentControlSet links to at boot.
std::string CurrentControlSet(OpenedHive &system) {
    return WithFile(system.path, [&] {
        std::unique_ptr<HiveKey> root = system.file->Root();
        std::unique_ptr<HiveKey> select = FindSubkey(*root, "Select");
        const std::vector<HiveValue> values = select ? select->Values() : std::vector<HiveValue>{};
        const HiveValue *current = FindValue(values, "Current");
        if (current == nullptr || current->type != 4 || current->data.size() != 4) {
            throw HiveError("no Select\\Current number: the current control set cannot be told");
        }
        const uint32_t n = current->data[0] | (current->data[1] << 8) | (current->data[2] << 16) |
                           (static_cast<uint32_t>(current->data[3]) << 24);
        char name[32];
        std::snprintf(name, sizeof name, "ControlSet%03u", n);
        if (!FindSubkey(*root, name))
            throw HiveError(std::string("Select\\Current names ") + name + ", which the hive lacks");
        return std::string(name);
    });
}

PresenceRule ChooseRule(std::optional<PresenceRule> asked, const std::optional<uint64_t> &sessionStart,
                        const std::string &system) {
    if (asked == PresenceRule::LastSession && !sessionStart) {
        throw OfflineError(system +
                           ": records no arrival time of ACPI_HAL\\PNP0C08\\0 (Windows 8 and later do): "
                           "--present last-session cannot be used");
    }
    if (asked) return *asked;
    return sessionStart ? PresenceRule::LastSession : PresenceRule::All;
}

void Note(OfflineReport &report, const std::string &family, bool fromHive, const std::string &detail) {
    report.families.push_back({family, fromHive, detail});
}

// The machine facts of HKEY_SIMULATION: those the files record, and for the
// rest answers that take nothing from the machine running the inventory (no
// processor, no memory, no NetBIOS adapters).
void WriteFacts(ProfileWriter &out, const OfflineReport &report,
                const std::optional<std::vector<AdapterFacts>> &adapters, const std::optional<PrinterFacts> &printers,
                const std::optional<std::vector<DriveFacts>> &drives) {
    const VersionFacts &v = report.version;
    out.Key("HKEY_SIMULATION\\Version");
    out.Dword("MajorVersion", v.major);
    out.Dword("MinorVersion", v.minor);
    out.Dword("BuildNumber", v.build);
    out.Dword("PlatformId", v.platform);
    out.Text("CSDVersion", v.csd);
    out.Key("HKEY_SIMULATION\\Memory");
    for (const char *name :
         {"MemoryLoad", "TotalPhys", "AvailPhys", "TotalPageFile", "AvailPageFile", "TotalVirtual", "AvailVirtual"}) {
        out.Dword(name, 0);
    }
    out.Key("HKEY_SIMULATION\\Processor");
    out.Dword("CpuidSupported", 0);
    out.Key("HKEY_SIMULATION\\NetBIOS");
    out.Key("HKEY_SIMULATION\\Adapters");
    for (size_t i = 0; adapters && i < adapters->size(); ++i) {
        const AdapterFacts &a = (*adapters)[i];
        out.Key("HKEY_SIMULATION\\Adapters\\" + std::to_string(i));
        out.Text("AdapterName", a.name);
        out.Text("Description", a.description);
        out.Value("Address", 3, {});
        out.Text("IpAddress", a.ipAddress);
    }
    out.Key("HKEY_SIMULATION\\Printers");
    if (printers) {
        for (const auto &[list, names] :
             {std::pair{"Default", &printers->defaults}, std::pair{"Local", &printers->locals}}) {
            for (size_t i = 0; i < names->size(); ++i) {
                out.Key(std::string("HKEY_SIMULATION\\Printers\\") + list + "\\" + std::to_string(i));
                out.Text("Name", (*names)[i]);
            }
        }
    }
    out.Key("HKEY_SIMULATION\\Drives");
    for (size_t i = 0; drives && i < drives->size(); ++i)
        out.Dword(std::string(1, (*drives)[i].letter), (*drives)[i].type);
}

void NoteCommon(OfflineReport &report, const std::optional<std::vector<AdapterFacts>> &adapters,
                const std::optional<PrinterFacts> &printers, const std::optional<std::vector<DriveFacts>> &drives,
                const std::string &adaptersMissing, const std::string &printersFrom, const std::string &drivesFrom) {
    if (report.processors) {
        Note(report, "processors", true,
             "the present processor instances under Enum\\ACPI (class Processor), by FriendlyName; the speed is not "
             "recorded");
    } else {
        Note(report, "processors", false,
             "no processor instances under Enum\\ACPI: the processors are a fact of the running machine");
    }
    Note(report, "memory", false, "the memory status is a fact of the running machine");
    if (adapters) {
        Note(report, "adapters", true,
             "the present network-class instances bound to TCP/IP (Tcpip\\Parameters\\Interfaces), with the "
             "address or the last DHCP lease; hardware addresses are not recorded");
    } else {
        Note(report, "adapters", false, adaptersMissing);
    }
    Note(report, "netbios", false, "the NetBIOS adapters are a fact of the running machine");
    if (printers) {
        Note(report, "printers", true, "the printers' keys under " + printersFrom);
    } else {
        Note(report, "printers", false,
             "the files hold no printer list (" + printersFrom + "): the spooler is a fact of the running machine");
    }
    if (drives) {
        Note(report, "driveTypes", true, "the drive letters of " + drivesFrom);
    } else {
        Note(report, "driveTypes", false,
             "the files hold no drive letters (" + drivesFrom + "): drive types are a fact of the running machine");
    }
}

void BuildNt(HiveSet &set, std::optional<PresenceRule> asked, OfflineMachine &m) {
    OfflineReport &report = m.report;
    report.windowsFamily = "NT";
    std::optional<KeyCopy> enumTree, computerName, netClass, interfaces, printers, mounted;
    std::optional<KeyCopy> currentVersion, winlogon, drivers32, driversDesc, uninstall, printers8;
    const std::string ccs = kCurrentControlSet;
    if (set.system) {
        const std::string cs = report.controlSet = CurrentControlSet(*set.system);
        enumTree = CopyAt(*set.system, cs + "\\Enum", ccs + "\\Enum", kAllLevels, report);
        computerName =
            CopyAt(*set.system, cs + "\\Control\\ComputerName", ccs + "\\Control\\ComputerName", kAllLevels, report);
        netClass = CopyAt(*set.system, cs + "\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}", "", 1, report);
        interfaces = CopyAt(*set.system, cs + "\\Services\\Tcpip\\Parameters\\Interfaces", "", 1, report);
        printers = CopyAt(*set.system, cs + "\\Control\\Print\\Printers", "", 1, report);
        mounted = CopyAt(*set.system, "MountedDevices", "", 0, report);
    }
    const std::string sw = std::string(kHklm) + "\\SOFTWARE\\";
    if (set.software) {
        const std::string cv = kNtCurrentVersion;
        currentVersion = CopyAt(*set.software, cv, sw + cv, 0, report);
        winlogon = CopyAt(*set.software, cv + "\\Winlogon", sw + cv + "\\Winlogon", 0, report);
        drivers32 = CopyAt(*set.software, cv + "\\Drivers32", sw + cv + "\\Drivers32", 0, report);
        driversDesc = CopyAt(*set.software, cv + "\\Drivers.desc", sw + cv + "\\Drivers.desc", 0, report);
        printers8 = CopyAt(*set.software, cv + "\\Print\\Printers", "", 1, report);
        const std::string un = "Microsoft\\Windows\\CurrentVersion\\Uninstall";
        uninstall = CopyAt(*set.software, un, sw + un, 1, report);
    }

    if (enumTree) report.sessionStart = SessionStart(*enumTree);
    report.rule = ChooseRule(asked, report.sessionStart, set.system ? set.system->path : "no SYSTEM hive");
    if (enumTree) report.presence = MarkPresent(*enumTree, report.rule, report.sessionStart, true);

    std::optional<VersionFacts> version = currentVersion ? NtVersion(*currentVersion) : std::nullopt;
    report.version = version ? *version : NtVersionFromLayout(Get(enumTree));
    report.processors = Processors(Get(enumTree), true);
    const auto adapters = Adapters(Get(netClass), Get(interfaces), Get(enumTree));
    const auto drives = NtDriveLetters(Get(mounted), Get(enumTree));
    std::optional<PrinterFacts> printerFacts;
    std::string printersFrom = "Control\\Print\\Printers of SYSTEM";
    if (printers && (!printers->subkeys.empty() || !printers8)) {
        printerFacts = Printers(Get(printers), "");
    } else if (printers8) {
        printerFacts = Printers(Get(printers8), "");
        printersFrom = "Microsoft\\Windows NT\\CurrentVersion\\Print\\Printers of SOFTWARE";
    } else if (!set.software) {
        printersFrom += "; SOFTWARE, where Windows 8 and later keep them, was not given";
    }
    NoteCommon(report, adapters, printerFacts, drives,
               "no network class or no Tcpip\\Parameters\\Interfaces: the adapters are a fact of the running machine",
               printersFrom, "MountedDevices");
    if (!set.software) {
        Note(report, "software", false,
             "no SOFTWARE hive given: the installed programs, the registered owner and organisation and the "
             "operating system's name are in it");
    }

    ProfileWriter out;
    if (enumTree) out.Tree(ccs + "\\Enum", *enumTree);
    if (computerName) out.Tree(ccs + "\\Control\\ComputerName", *computerName);
    const std::string cv = sw + kNtCurrentVersion;
    if (currentVersion) out.Tree(cv, *currentVersion);
    if (winlogon) out.Tree(cv + "\\Winlogon", *winlogon);
    if (drivers32) out.Tree(cv + "\\Drivers32", *drivers32);
    if (driversDesc) out.Tree(cv + "\\Drivers.desc", *driversDesc);
    if (uninstall) out.Tree(sw + "Microsoft\\Windows\\CurrentVersion\\Uninstall", *uninstall);
    WriteFacts(out, report, adapters, printerFacts, drives);
    m.profile = out.Profile();
}

// The 9x default printer, kept with the current hardware profile.
std::string DefaultPrinter9x(const KeyCopy &hklm) {
    const KeyCopy *db = hklm.FindPath("System\\CurrentControlSet\\Control\\IDConfigDB");
    const std::string config = db ? db->Text("CurrentConfig") : "";
    const KeyCopy *perConfig =
        config.empty() ? nullptr
                       : hklm.FindPath("Config\\" + config + "\\System\\CurrentControlSet\\Control\\Print\\Printers");
    if (perConfig && !perConfig->Text("Default").empty()) return perConfig->Text("Default");
    const KeyCopy *printers = hklm.FindPath("System\\CurrentControlSet\\Control\\Print\\Printers");
    return printers ? printers->Text("Default") : "";
}

void Build9x(HiveSet &set, std::optional<PresenceRule> asked, OfflineMachine &m) {
    OfflineReport &report = m.report;
    report.windowsFamily = "9x";
    std::optional<KeyCopy> hklm = CopyAt(*set.system9x, "", kHklm, kAllLevels, report);
    KeyCopy *enumTree = hklm->Find("Enum");
    if (asked == PresenceRule::LastSession) {
        throw OfflineError(set.system9x->path +
                           ": Windows 9x records no arrival times: --present last-session cannot be used");
    }
    report.rule = asked.value_or(PresenceRule::All);
    if (enumTree) report.presence = MarkPresent(*enumTree, report.rule, std::nullopt, false);

    const KeyCopy *currentVersion = hklm->FindPath("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
    std::optional<VersionFacts> version = currentVersion ? Win9xVersion(*currentVersion) : std::nullopt;
    if (version) {
        report.version = *version;
    } else {
        report.version.platform = 1;
        report.version.major = 4;
        report.version.source = "not recorded (no VersionNumber): 4.0, the major version of every Windows 9x release";
    }
    report.processors = Processors(enumTree, false);
    const std::string printersPath = "System\\CurrentControlSet\\Control\\Print\\Printers";
    const auto printers = Printers(hklm->FindPath(printersPath), DefaultPrinter9x(*hklm));
    const auto drives = Win9xDriveLetters(enumTree);
    NoteCommon(report, std::nullopt, printers, drives,
               "Windows 9x records a DHCP adapter's address only in a binary lease record: the adapters are a fact "
               "of the running machine",
               printersPath,
               "CurrentDriveLetterAssignment of the instances under Enum\\ESDI, Enum\\SCSI and Enum\\FLOP");

    ProfileWriter out;
    out.Tree(kHklm, *hklm);
    WriteFacts(out, report, std::nullopt, printers, drives);
    m.profile = out.Profile();
}

}  // namespace

const FamilyNote *OfflineReport::Family(const std::string &name) const {
    for (const FamilyNote &f : families) {
        if (f.family == name) return &f;
    }
    return nullptr;
}

OfflineMachine ReadOfflineMachine(const std::vector<std::string> &paths, std::optional<PresenceRule> rule) {
    HiveSet set = OpenHives(paths);
    if (!set.system && !set.software && !set.system9x) throw OfflineError("no hive file given");
    OfflineMachine m;
    for (const std::optional<OpenedHive> *h : {&set.system9x, &set.system, &set.software}) {
        if (*h) m.report.hives.push_back({(*h)->path, FormatName((*h)->file->Format()), (*h)->role});
    }
    if (set.system9x) {
        Build9x(set, rule, m);
    } else {
        BuildNt(set, rule, m);
    }
    return m;
}

}  // namespace hsinfo::offline
