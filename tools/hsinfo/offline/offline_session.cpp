#include "offline/offline_session.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "library.h"
#include "offline/offline_machine.h"

namespace hsinfo::offline {

namespace {

// The profile as a file that only this process can reach, in memory: the
// library opens it by its /proc path while it loads.
bool HandOver(const std::string &profile, std::string &path, std::string &error) {
    const int fd = memfd_create("hsinfo-offline-machine", 0);
    if (fd < 0) {
        error = std::string("cannot make the machine profile (") + std::strerror(errno) + ")";
        return false;
    }
    for (size_t done = 0; done < profile.size();) {
        const ssize_t n = write(fd, profile.data() + done, profile.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = std::string("cannot write the machine profile (") + std::strerror(errno) + ")";
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    // The descriptor stays open until the process ends.
    path = "/proc/self/fd/" + std::to_string(fd);
    return true;
}

template <size_t N>
void CopyField(char (&field)[N], const std::string &text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(text.size(), N - 1));
}

OfflineSummary Summarize(const OfflineReport &r) {
    OfflineSummary s;
    for (const HiveSummary &h : r.hives) s.hives.push_back({h.path, h.format, h.role});
    s.windowsFamily = r.windowsFamily;
    s.controlSet = r.controlSet;
    s.presenceRule = RuleName(r.rule);
    s.sessionStart = r.sessionStart ? FiletimeText(*r.sessionStart) : "";
    s.instances = r.presence.instances;
    s.present = r.presence.present;
    s.versionSource = r.version.source;
    s.skippedNames = r.skippedNames;
    for (const FamilyNote &f : r.families) s.families.push_back({f.family, f.fromHive, f.detail});
    return s;
}

}  // namespace

bool OfflineSession::Prepare(const std::vector<std::string> &paths, const std::string &rule, std::string &error) {
    std::optional<PresenceRule> asked;
    if (!rule.empty()) {
        asked = ParseRule(rule);
        if (!asked) {
            error = "--present takes last-session, all or none, not \"" + rule + "\"";
            return false;
        }
    }
    OfflineMachine machine;
    try {
        machine = ReadOfflineMachine(paths, asked);
    } catch (const OfflineError &e) {
        error = e.what();
        return false;
    }
    m_summary = Summarize(machine.report);
    m_haveProcessors = machine.report.processors.has_value();
    for (const ProcessorFacts &p : machine.report.processors.value_or(std::vector<ProcessorFacts>{})) {
        CPUINFO record{};
        CopyField(record.name, p.name);
        CopyField(record.vendor, p.vendor);
        m_processors.push_back(record);
    }
    std::string path;
    return HandOver(machine.profile, path, error) && SelectMachine(path, error);
}

void OfflineSession::Apply(Inventory &inv) const {
    // The library's processor is the simulated one that stands in for no
    // processor at all; the files' processor instances take its place.
    inv.cpus = m_processors;
    inv.cpuCount = static_cast<int32_t>(m_processors.size());
    inv.netbios.clear();
    inv.netCount = 0;
    // The files do not record hardware addresses; the library reports the
    // missing address as twelve zero digits, which would read as an address.
    for (IPADAPTERINFO &a : inv.adapters) std::memset(a.mac, 0, sizeof a.mac);
    std::memset(inv.user.mac, 0, sizeof inv.user.mac);
    inv.offline = m_summary;
}

}  // namespace hsinfo::offline
