// The COM-port list: friendly names read through SetupAPI from devices that
// the test registers itself (Wine lists no ports of its own).

#include "brisal.h"
#include "ecrser.h"

#include <windows.h>
#include <setupapi.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE,
                          {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0,
                                {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const char kDeviceClasses[] =
    "System\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
const char kEnumerator[] = "ROOT\\ECRTEST\\";

std::string upper(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Devices of our own enumerator, registered with a COM-port interface that
// is marked linked (present); all removed again at the end.
class FakePorts {
public:
    FakePorts() : set_(SetupDiCreateDeviceInfoList(&kPortsClass, nullptr)) { remove_all(); }
    ~FakePorts()
    {
        remove_all();
        SetupDiDestroyDeviceInfoList(set_);
    }
    FakePorts(const FakePorts&) = delete;
    FakePorts& operator=(const FakePorts&) = delete;

    // Instance "ROOT\ECRTEST\<id>"; friendlyName nullptr registers none.
    bool add(const std::string& id, const char* friendlyName)
    {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        std::string instance = kEnumerator + id;
        if (!SetupDiCreateDeviceInfoA(set_, instance.c_str(), &kPortsClass, nullptr, nullptr, 0,
                                      &device))
            return false;
        if (friendlyName &&
            !SetupDiSetDeviceRegistryPropertyA(set_, &device, SPDRP_FRIENDLYNAME,
                                               reinterpret_cast<const BYTE*>(friendlyName),
                                               static_cast<DWORD>(std::strlen(friendlyName) + 1)))
            return false;
        if (!SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr))
            return false;
        SP_DEVICE_INTERFACE_DATA iface = {};
        iface.cbSize = sizeof iface;
        if (!SetupDiCreateDeviceInterfaceA(set_, &device, &kComPortInterface, nullptr, 0, &iface))
            return false;
        ids_.push_back(id);
        return link("ECRTEST#" + id + "#");
    }

private:
    // Linked=1 under the interface's Control key makes it a present one.
    static bool link(const std::string& marker)
    {
        HKEY classes;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceClasses, 0, KEY_READ, &classes) != 0)
            return false;
        bool done = false;
        char name[512];
        for (DWORD i = 0; !done; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(classes, i, name, &len, nullptr, nullptr, nullptr, nullptr) != 0)
                break;
            if (upper(name).find(marker) == std::string::npos)
                continue;
            HKEY control;
            std::string path = std::string(name) + "\\#\\Control";
            if (RegCreateKeyExA(classes, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                &control, nullptr) != 0)
                break;
            DWORD one = 1;
            done = RegSetValueExA(control, "Linked", 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&one), sizeof one) == 0;
            RegCloseKey(control);
        }
        RegCloseKey(classes);
        return done;
    }

    // Our devices and their interface keys, also those an aborted run left.
    void remove_all()
    {
        for (int i = 0; i < 32; ++i) {
            char id[8];
            std::snprintf(id, sizeof id, "%04d", i);
            SP_DEVINFO_DATA device = {};
            device.cbSize = sizeof device;
            if (SetupDiOpenDeviceInfoA(set_, (kEnumerator + std::string(id)).c_str(), nullptr, 0,
                                       &device))
                SetupDiRemoveDevice(set_, &device);
        }
        HKEY classes;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceClasses, 0, KEY_ALL_ACCESS, &classes) != 0)
            return;
        std::vector<std::string> ours;
        char name[512];
        for (DWORD i = 0;; ++i) {
            DWORD len = sizeof name;
            if (RegEnumKeyExA(classes, i, name, &len, nullptr, nullptr, nullptr, nullptr) != 0)
                break;
            if (upper(name).find("#ECRTEST#") != std::string::npos)
                ours.push_back(name);
        }
        for (const std::string& key : ours)
            RegDeleteTreeA(classes, key.c_str());
        RegCloseKey(classes);
    }

    HDEVINFO set_;
    std::vector<std::string> ids_;
};

TEST(PortList, NumbersComeFromTheFriendlyName)
{
    const struct { const char* name; int port; } rows[] = {
        {"USB Serial Port (COM12)", 12},
        {"communications port (com3)", 3},
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
    FakePorts ports;
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
        ASSERT_TRUE(ports.add(d.id, d.name)) << d.id << " error " << GetLastError();

    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(10, ecr_enum_port_ser(text));
    EXPECT_STREQ("12,1,101,102,103,104,105,106,107,108", text);
    for (size_t i = std::strlen(text) + 1; i < sizeof text; ++i)
        ASSERT_EQ('x', text[i]) << "byte " << i;
}

TEST(PortList, NoPortsGiveAnEmptyText)
{
    FakePorts none;
    char text[40];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0, ecr_enum_port_ser(text));
    EXPECT_STREQ("", text);
}

}  // namespace
