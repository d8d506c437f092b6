// Netbios: NCBENUM, NCBRESET and NCBASTAT over the profile's LANAs.
#include <cstring>

#include "platform/platform.h"
#include "platform/sim/machine.h"

namespace {

constexpr UCHAR kAsync = 0x80;
constexpr UCHAR kInvalidAddress = 0x39;  // NRC_INVADDRESS

const hs::sim::LanaFacts *FindLana(const hs::sim::NetbiosFacts &f, UCHAR lana) {
    for (const hs::sim::LanaFacts &l : f.lanas) {
        if (l.lana == lana) return &l;
    }
    return nullptr;
}

UCHAR Enumerate(const hs::sim::NetbiosFacts &f, NCB &ncb) {
    if (f.enumResult != 0) return f.enumResult;
    if (ncb.ncb_buffer == nullptr || ncb.ncb_length < sizeof(LANA_ENUM)) return NRC_BUFLEN;
    LANA_ENUM result;
    std::memset(&result, 0, sizeof result);
    for (const hs::sim::LanaFacts &l : f.lanas) {
        if (result.length < MAX_LANA + 1) result.lana[result.length++] = l.lana;
    }
    std::memcpy(ncb.ncb_buffer, &result, sizeof result);
    return NRC_GOODRET;
}

UCHAR Reset(const hs::sim::NetbiosFacts &f, NCB &ncb) {
    const hs::sim::LanaFacts *lana = FindLana(f, ncb.ncb_lana_num);
    if (lana == nullptr) return NRC_BRIDGE;
    return lana->resetResult;
}

UCHAR AdapterStatus(const hs::sim::NetbiosFacts &f, NCB &ncb) {
    const hs::sim::LanaFacts *lana = FindLana(f, ncb.ncb_lana_num);
    if (lana == nullptr) return NRC_BRIDGE;
    if (lana->statusResult != 0) return lana->statusResult;
    if (ncb.ncb_buffer == nullptr || ncb.ncb_length < sizeof(ADAPTER_STATUS)) return NRC_BUFLEN;
    ADAPTER_STATUS status;
    std::memset(&status, 0, sizeof status);
    std::memcpy(status.adapter_address, lana->address.data(), 6);
    status.rev_major = 3;
    status.adapter_type = 0xFE;  // Ethernet
    status.max_dgram_size = 512;
    status.max_sess_pkt_size = 1460;
    status.name_count = 0;
    std::memcpy(ncb.ncb_buffer, &status, sizeof status);
    ncb.ncb_length = sizeof status;
    return NRC_GOODRET;
}

}  // namespace

UCHAR Netbios(PNCB ncb) {
    if (ncb == nullptr) return kInvalidAddress;
    std::shared_ptr<const hs::sim::Machine> machine = hs::sim::CurrentMachine();
    const hs::sim::NetbiosFacts &f = machine->facts.netbios;
    UCHAR result;
    if (ncb->ncb_command & kAsync) {
        result = NRC_ILLCMD;
    } else if (ncb->ncb_command == NCBENUM) {
        result = Enumerate(f, *ncb);
    } else if (ncb->ncb_command == NCBRESET) {
        result = Reset(f, *ncb);
    } else if (ncb->ncb_command == NCBASTAT) {
        result = AdapterStatus(f, *ncb);
    } else {
        result = NRC_ILLCMD;
    }
    ncb->ncb_retcode = result;
    ncb->ncb_cmd_cplt = result;
    return result;
}
