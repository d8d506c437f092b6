// Facts of a running machine that some hive files record all the same,
// read from copies of their keys. Each reader answers nullopt when the keys
// it needs are not there, so that the family is left out rather than guessed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "offline/key_copy.h"

namespace hsinfo::offline {

// What GetVersionExA answers, and where the figures come from.
struct VersionFacts {
    uint32_t major = 0, minor = 0, build = 0, platform = 0;
    std::string csd;
    std::string source;
};

// From SOFTWARE\Microsoft\Windows NT\CurrentVersion.
std::optional<VersionFacts> NtVersion(const KeyCopy &currentVersion);
// From SOFTWARE\Microsoft\Windows\CurrentVersion of a 9x registry.
std::optional<VersionFacts> Win9xVersion(const KeyCopy &currentVersion);
// Without SOFTWARE: the NT family, 5.0 when the enumeration tree has Plug and
// Play enumerators (Windows 2000 and later), else 4.0.
VersionFacts NtVersionFromLayout(const KeyCopy *enumTree);

struct ProcessorFacts {
    std::string name;
    std::string vendor;
};

// The present processor instances under Enum\ACPI (class Processor), by their
// FriendlyName; the vendor is the part of the device key's name before "_-_".
// marked: the instances carry the presence marks of presence.h (else every
// instance counts).
std::optional<std::vector<ProcessorFacts>> Processors(const KeyCopy *enumTree, bool marked);

struct AdapterFacts {
    std::string name;         // the NetCfgInstanceId
    std::string description;  // the DriverDesc
    std::string ipAddress;
};

// The present network-class instances bound to TCP/IP: the class key's
// instances, Tcpip\Parameters\Interfaces and the enumeration tree (marked).
std::optional<std::vector<AdapterFacts>> Adapters(const KeyCopy *netClass, const KeyCopy *interfaces,
                                                  const KeyCopy *enumTree);

struct DriveFacts {
    char letter = 'A';
    uint32_t type = 1;  // as GetDriveTypeA answers: 2 removable, 3 fixed, 5 CD-ROM
};

// The letters of MountedDevices; a letter of a device instance that is not
// present is left out.
std::optional<std::vector<DriveFacts>> NtDriveLetters(const KeyCopy *mountedDevices, const KeyCopy *enumTree);
// The CurrentDriveLetterAssignment of the 9x disk, CD-ROM and floppy instances.
std::optional<std::vector<DriveFacts>> Win9xDriveLetters(const KeyCopy *enumTree);

struct PrinterFacts {
    std::vector<std::string> defaults;  // the 9x default printer
    std::vector<std::string> locals;
};

// The printers' keys (their names); on 9x also the default printer's name.
std::optional<PrinterFacts> Printers(const KeyCopy *printersKey, const std::string &defaultPrinter);

}  // namespace hsinfo::offline
