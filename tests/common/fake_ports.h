#pragma once
// Serial ports that the system lists for a test: devices of an enumerator
// of the test's own ("ROOT\<name>\<id>") with a COM-port interface marked
// present. Wine lists no ports of its own, so these are the whole list while
// they exist. Each test program uses its own enumerator name, one of
// kEnumerators; the tests that use them hold the ctest lock "serial".

#include <windows.h>
#include <setupapi.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

// All removed again at the end; an aborted run of any test program leaves
// ports that the next one removes before it lists its own.
class FakePorts {
public:
    static constexpr const char* kEnumerators[] = {"ECRTEST", "ECRVKSET", "ECRVKRCPT"};

    explicit FakePorts(const std::string& enumerator)
        : name_(enumerator), set_(SetupDiCreateDeviceInfoList(&kPortsClass, nullptr))
    {
        for (const char* leftover : kEnumerators)
            Remove(leftover);
        RemoveAll();
    }
    ~FakePorts()
    {
        RemoveAll();
        SetupDiDestroyDeviceInfoList(set_);
    }
    FakePorts(const FakePorts&) = delete;
    FakePorts& operator=(const FakePorts&) = delete;

    // id "0000" to "0031"; friendlyName nullptr registers none. False when
    // the system refuses the device.
    bool Add(const std::string& id, const char* friendlyName)
    {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        std::string instance = "ROOT\\" + name_ + "\\" + id;
        if (!SetupDiCreateDeviceInfoA(set_, instance.c_str(), &kPortsClass, nullptr, nullptr, 0, &device))
            return false;
        if (friendlyName &&
            !SetupDiSetDeviceRegistryPropertyA(set_, &device, SPDRP_FRIENDLYNAME,
                                               reinterpret_cast<const BYTE*>(friendlyName),
                                               DWORD(std::strlen(friendlyName) + 1)))
            return false;
        if (!SetupDiRegisterDeviceInfo(set_, &device, 0, nullptr, nullptr, nullptr))
            return false;
        SP_DEVICE_INTERFACE_DATA iface = {};
        iface.cbSize = sizeof iface;
        if (!SetupDiCreateDeviceInterfaceA(set_, &device, &kComPortInterface, nullptr, 0, &iface))
            return false;
        return Link("#" + Upper(name_) + "#" + id + "#");
    }

    // Our devices and their interface keys.
    void RemoveAll() { Remove(name_); }

private:
    // The devices of one enumerator and their interface keys.
    void Remove(const std::string& enumerator)
    {
        for (int i = 0; i < 32; ++i) {
            char id[8];
            std::snprintf(id, sizeof id, "%04d", i);
            SP_DEVINFO_DATA device = {};
            device.cbSize = sizeof device;
            std::string instance = "ROOT\\" + enumerator + "\\" + id;
            if (SetupDiOpenDeviceInfoA(set_, instance.c_str(), nullptr, 0, &device))
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
            if (Upper(name).find("#" + Upper(enumerator) + "#") != std::string::npos)
                ours.push_back(name);
        }
        for (const std::string& key : ours)
            RegDeleteTreeA(classes, key.c_str());
        RegCloseKey(classes);
    }

    static constexpr GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    static constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0,
                                               {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
    static constexpr const char* kDeviceClasses =
        "System\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

    static std::string Upper(std::string s)
    {
        for (char& c : s)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }

    // Linked=1 under the interface's Control key makes it a present one.
    static bool Link(const std::string& marker)
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
            if (Upper(name).find(marker) == std::string::npos)
                continue;
            HKEY control;
            if (RegCreateKeyExA(classes, (std::string(name) + "\\#\\Control").c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &control, nullptr) != 0)
                break;
            DWORD one = 1;
            done = RegSetValueExA(control, "Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one) == 0;
            RegCloseKey(control);
        }
        RegCloseKey(classes);
        return done;
    }

    std::string name_;
    HDEVINFO set_;
};
