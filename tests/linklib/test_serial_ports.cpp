// The COM-port list: friendly names read through SetupAPI from devices that
// the test registers itself (Wine lists no ports of its own).

#include "brisal.h"
#include "ecrser.h"
#include "fake_ports.h"

#include <windows.h>
#include <setupapi.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(PortList, NumbersComeFromTheFriendlyName)
{
    const struct { const char* name; int port; } rows[] = {
        {"USB Serial Port (COM12)", 12},
        {"communications port (com3)", 3},
        {"USB Serial Port (COM7 )", 7},
        {"Prolific USB-to-Serial (COM 4 )", 4},
        {"Standard Serial over Bluetooth link (COM7)", 0},
        {"Porta seriale bluetooth (COM8)", 0},
        {"Printer Port (LPT1)", 0},
        {"Modem (COM999)", 999},
        {"Modem (COM1000)", 0},
        {"Modem (COM0)", 0},
        {"Modem (COM12", 0},
        {"Modem (COMx)", 0},
        {"", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.port, ecr_port_from_name(row.name));
    }
    EXPECT_EQ(0, ecr_port_from_name(nullptr));
}

TEST(PortList, TheTextNeverOutgrowsFortyBytes)
{
    char text[64];
    std::memset(text, 'x', sizeof text);
    text[0] = '\0';
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(ecr_port_list_add(text, kEcrPortListSize, 999)) << "number " << i;
    EXPECT_EQ(39u, std::strlen(text));
    EXPECT_FALSE(ecr_port_list_add(text, kEcrPortListSize, 1));
    EXPECT_EQ(39u, std::strlen(text));
    for (size_t i = 40; i < sizeof text; ++i)
        ASSERT_EQ('x', text[i]) << "byte " << i;
}

TEST(PortList, RegisteredPortsAreListedInOrderAtMostTen)
{
    FakePorts ports("ECRTEST");
    const struct { const char* id; const char* name; } devices[] = {
        {"0000", "USB Serial Port (COM12)"},
        {"0001", "Standard Serial over Bluetooth link (COM7)"},
        {"0002", nullptr},
        {"0003", "Communications Port (COM1)"},
        {"0004", "Modem (COM1000)"},
        {"0005", "USB Serial Port (COM101)"},
        {"0006", "USB Serial Port (COM102)"},
        {"0007", "USB Serial Port (COM103)"},
        {"0008", "USB Serial Port (COM104)"},
        {"0009", "USB Serial Port (COM105)"},
        {"0010", "USB Serial Port (COM106)"},
        {"0011", "USB Serial Port (COM107)"},
        {"0012", "USB Serial Port (COM108)"},
        {"0013", "USB Serial Port (COM109)"},
    };
    for (const auto& d : devices)
        ASSERT_TRUE(ports.Add(d.id, d.name)) << d.id << " error " << GetLastError();

    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(10, ecr_enum_port_ser(text));
    EXPECT_STREQ("12,1,101,102,103,104,105,106,107,108", text);
    for (size_t i = std::strlen(text) + 1; i < sizeof text; ++i)
        ASSERT_EQ('x', text[i]) << "byte " << i;
}

TEST(PortList, NoPortsGiveAnEmptyText)
{
    // Ports another test program left behind when it was killed.
    auto* leftover = new FakePorts("ECRVKSET");
    ASSERT_TRUE(leftover->Add("0000", "USB Serial Port (COM9)"));
    FakePorts none("ECRTEST");
    char text[40];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0, ecr_enum_port_ser(text));
    EXPECT_STREQ("", text);
}

}  // namespace
