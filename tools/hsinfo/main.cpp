// hsinfo: prints the inventory of this machine (or, on the native build, of
// a simulated machine) through the Hardscan library's exports.
#include <CLI/CLI.hpp>
#include <iostream>

#include "glpi_output.h"
#include "library.h"
#include "output.h"
#include "reader.h"

namespace {

// Exit codes.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;
constexpr int kExitLibrary = 3;
constexpr int kExitExport = 4;

}  // namespace

int main(int argc, char **argv) {
    using namespace hsinfo;
    CLI::App app{"hsinfo: the machine's inventory as the Hardscan library reports it"};
    std::vector<std::string> families;
    std::string format = "text";
    bool json = false;
    std::string inventoryTime;
    std::string machine;
    std::string libraryPath = DefaultLibraryPath();
    app.add_option("families", families, "families to print (default: all)")
        ->check(CLI::IsMember(FamilyNames()));
    auto *formatOption = app.add_option("--format", format, "text, json (docs/json-schema.md) or glpi (docs/glpi.md)")
                             ->check(CLI::IsMember({"text", "json", "glpi"}));
    app.add_flag("--json", json, "short for --format json")->excludes(formatOption);
    app.add_option("--time", inventoryTime,
                   "inventory time in the glpi device id, \"YYYY-MM-DD HH:MM:SS\" (default: now)");
    app.add_option("--machine", machine, "machine profile to simulate (native build only)");
    app.add_option("--library", libraryPath, "path of the Hardscan library");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        const int code = app.exit(e);
        return code == 0 ? kExitOk : kExitUsage;
    }
    if (families.empty()) families = FamilyNames();
    if (json) format = "json";

    std::string error;
    InventoryTime when;
    if ((format == "glpi" || !inventoryTime.empty()) && !ResolveInventoryTime(inventoryTime, when, error)) {
        std::cerr << "hsinfo: " << error << "\n";
        return kExitUsage;
    }
    if (!machine.empty() && !SelectMachine(machine, error)) {
        std::cerr << "hsinfo: " << error << "\n";
        return kExitUsage;
    }
    Exports exports;
    if (!LoadHardscan(libraryPath, exports, error)) {
        std::cerr << "hsinfo: " << error << "\n";
        return error.rfind("export missing", 0) == 0 ? kExitExport : kExitLibrary;
    }

    Reader reader(exports);
    Inventory inventory;
    if (format != "text") {
        // One call pair for the whole block; the families outside it, and
        // every family when the block cannot be read, come one by one.
        std::vector<std::string> rest = {"netbios", "user"};
        if (!reader.ReadSysInfo(inventory)) rest = FamilyNames();
        reader.ReadFamilies(rest, inventory);
        if (format == "json") {
            PrintJson(std::cout, inventory, families);
        } else {
            PrintGlpi(std::cout, std::cerr, inventory, families, when);
        }
    } else {
        reader.ReadFamilies(families, inventory);
        PrintText(std::cout, inventory, families);
    }
    return kExitOk;
}
