// The simulated spooler, IP helper and NetBIOS with their Windows protocols.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "test_support.h"

namespace {

const char kPrinters[] =
    "[HKEY_SIMULATION\\Printers\\Default\\P1]\n\"Name\"=\"HP LaserJet 4\"\n"
    "[HKEY_SIMULATION\\Printers\\Local\\P1]\n\"Name\"=\"HP LaserJet 4\"\n"
    "[HKEY_SIMULATION\\Printers\\Local\\P2]\n\"Name\"=\"Fax\"\n";

TEST(SimServicesPrinters, TooSmallBufferAnswers122WithTheSize) {
    hstest::UseMachine(kPrinters);
    DWORD needed = 0, returned = 7;
    SetLastError(0);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    const DWORD expected = 2 * sizeof(PRINTER_INFO_4A) + sizeof "HP LaserJet 4" + sizeof "Fax";
    EXPECT_EQ(expected, needed);
    EXPECT_EQ(0u, returned);
    std::vector<BYTE> buffer(needed);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed - 1, &needed, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &returned));
    ASSERT_EQ(2u, returned);
    auto *records = reinterpret_cast<PRINTER_INFO_4A *>(buffer.data());
    EXPECT_STREQ("HP LaserJet 4", records[0].pPrinterName);
    EXPECT_STREQ("Fax", records[1].pPrinterName);
    // The strings lie in the caller's buffer, after the records.
    EXPECT_EQ(reinterpret_cast<char *>(buffer.data()) + 2 * sizeof(PRINTER_INFO_4A), records[0].pPrinterName);
    EXPECT_LE(records[1].pPrinterName + sizeof "Fax", reinterpret_cast<char *>(buffer.data()) + needed);
}

TEST(SimServicesPrinters, ListsByFlagAndLevelFive) {
    hstest::UseMachine(kPrinters);
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0, returned = 0;
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 5, buffer.data(), 1024, &needed, &returned));
    ASSERT_EQ(1u, returned);
    auto *record = reinterpret_cast<PRINTER_INFO_5A *>(buffer.data());
    EXPECT_STREQ("HP LaserJet 4", record->pPrinterName);
    EXPECT_STREQ("LPT1:", record->pPortName);
    ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_NAME, nullptr, 4, buffer.data(), 1024, &needed, &returned));
    EXPECT_EQ(2u, returned);
    SetLastError(0);
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 3, buffer.data(), 1024, &needed, &returned));
    EXPECT_EQ(124u, GetLastError());
}

TEST(SimServicesPrinters, ConfiguredErrors) {
    hstest::UseMachine(std::string(kPrinters) +
                       "[HKEY_SIMULATION\\Printers]\n\"DefaultError\"=dword:000006ba\n\"LocalRetryError\"=dword:00000005\n");
    std::vector<BYTE> buffer(1024);
    DWORD needed = 0, returned = 0;
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_DEFAULT, nullptr, 4, buffer.data(), 1024, &needed, &returned));
    EXPECT_EQ(0x6bau, GetLastError());
    // The retry error comes only once the buffer is large enough.
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_FALSE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &returned));
    EXPECT_EQ(5u, GetLastError());
}

TEST(SimServicesPrinters, NoPrintersSucceedsEmpty) {
    hstest::UseMachine("");
    DWORD needed = 1, returned = 1;
    EXPECT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &returned));
    EXPECT_EQ(0u, needed);
    EXPECT_EQ(0u, returned);
}

const char kAdapters[] =
    "[HKEY_SIMULATION\\Adapters\\0]\n\"AdapterName\"=\"{4A1F6F7B-0001}\"\n\"Description\"=\"Intel PRO/100\"\n"
    "\"Address\"=hex:00,0c,29,3a,4b,5c\n\"IpAddress\"=\"192.168.1.20\"\n"
    "[HKEY_SIMULATION\\Adapters\\1]\n\"AdapterName\"=\"{4A1F6F7B-0002}\"\n\"Description\"=\"Modem\"\n";

TEST(SimServicesAdapters, SizeProtocolAndChain) {
    hstest::UseMachine(kAdapters);
    ULONG size = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(nullptr, &size));
    EXPECT_EQ(2 * sizeof(IP_ADAPTER_INFO), size);
    std::vector<IP_ADAPTER_INFO> list(2);
    size = sizeof(IP_ADAPTER_INFO);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(list.data(), &size));
    size = 2 * sizeof(IP_ADAPTER_INFO);
    ASSERT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetAdaptersInfo(list.data(), &size));
    EXPECT_EQ(&list[1], list[0].Next);
    EXPECT_EQ(nullptr, list[1].Next);
    EXPECT_STREQ("{4A1F6F7B-0001}", list[0].AdapterName);
    EXPECT_STREQ("Intel PRO/100", list[0].Description);
    EXPECT_EQ(6u, list[0].AddressLength);
    EXPECT_EQ(0, memcmp(list[0].Address, "\x00\x0c\x29\x3a\x4b\x5c", 6));
    EXPECT_STREQ("192.168.1.20", list[0].IpAddressList.IpAddress.String);
    EXPECT_EQ(0u, list[1].AddressLength);
}

TEST(SimServicesAdapters, NoAdaptersAndConfiguredFailures) {
    hstest::UseMachine("");
    ULONG size = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_DATA), GetAdaptersInfo(nullptr, &size));
    hstest::UseMachine(std::string(kAdapters) + "[HKEY_SIMULATION\\Adapters]\n\"FillResult\"=dword:0000001f\n");
    size = 0;
    EXPECT_EQ(static_cast<DWORD>(ERROR_BUFFER_OVERFLOW), GetAdaptersInfo(nullptr, &size));
    std::vector<IP_ADAPTER_INFO> list(2);
    EXPECT_EQ(0x1fu, GetAdaptersInfo(list.data(), &size));
    hstest::UseMachine(std::string(kAdapters) + "[HKEY_SIMULATION\\Adapters]\n\"Result\"=dword:00000032\n");
    size = 0;
    EXPECT_EQ(50u, GetAdaptersInfo(nullptr, &size));
    EXPECT_EQ(0u, size);
}

const char kLanas[] =
    "[HKEY_SIMULATION\\NetBIOS\\A]\n\"Lana\"=dword:00000000\n\"Address\"=hex:00,0c,29,3a,4b,5c\n"
    "[HKEY_SIMULATION\\NetBIOS\\B]\n\"Lana\"=dword:00000003\n\"Address\"=hex:00,50,56,c0,00,08\n"
    "\"StatusResult\"=dword:00000023\n";

// An enumeration request into `lanas`.
NCB EnumRequest(LANA_ENUM &lanas) {
    NCB ncb;
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<UCHAR *>(&lanas);
    ncb.ncb_length = sizeof lanas;
    return ncb;
}

TEST(SimServicesNetbios, EnumerateResetAndStatus) {
    hstest::UseMachine(kLanas);
    LANA_ENUM lanas;
    NCB ncb = EnumRequest(lanas);
    ASSERT_EQ(NRC_GOODRET, Netbios(&ncb));
    ASSERT_EQ(2, lanas.length);
    EXPECT_EQ(0, lanas.lana[0]);
    EXPECT_EQ(3, lanas.lana[1]);

    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBRESET;
    ncb.ncb_lana_num = 3;
    EXPECT_EQ(NRC_GOODRET, Netbios(&ncb));
    ncb.ncb_lana_num = 7;
    EXPECT_EQ(NRC_BRIDGE, Netbios(&ncb));
    EXPECT_EQ(NRC_BRIDGE, ncb.ncb_retcode);

    struct {
        ADAPTER_STATUS status;
        NAME_BUFFER names[30];
    } answer;
    memset(&ncb, 0, sizeof ncb);
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = 0;
    ncb.ncb_callname[0] = '*';
    ncb.ncb_buffer = reinterpret_cast<UCHAR *>(&answer);
    ncb.ncb_length = sizeof answer;
    ASSERT_EQ(NRC_GOODRET, Netbios(&ncb));
    EXPECT_EQ(0, memcmp(answer.status.adapter_address, "\x00\x0c\x29\x3a\x4b\x5c", 6));
    ncb.ncb_lana_num = 3;
    ncb.ncb_length = sizeof answer;
    EXPECT_EQ(0x23, Netbios(&ncb));
}

TEST(SimServicesNetbios, EnumerationFailureAndEmptyList) {
    hstest::UseMachine("[HKEY_SIMULATION\\NetBIOS]\n\"EnumResult\"=dword:00000034\n");
    LANA_ENUM lanas;
    NCB ncb = EnumRequest(lanas);
    EXPECT_EQ(NRC_ENVNOTDEF, Netbios(&ncb));
    hstest::UseMachine("");
    lanas.length = 99;
    ncb.ncb_length = sizeof lanas;
    EXPECT_EQ(NRC_GOODRET, Netbios(&ncb));
    EXPECT_EQ(0, lanas.length);
}

}  // namespace
