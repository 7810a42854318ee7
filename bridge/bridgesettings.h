#pragma once
// BridgeSettings: the [Info] section of the settings text as the bridge
// uses it, read through the profile reader, and the checks a load makes.

#include <string>

struct BridgeSettings {
    std::string EcrIp;
    std::string Cartella;
    std::string logFolder;  // Cartella + "\log", never stored
    std::string Ext;
    int Proto = 0;
    int polltime = 0;
    int Port = 0;
    int Backup = 0;
    int Offline = 0;
    int Level = 0;
    int log = 0;
    int Baud = 0;
};

// The largest polling unit whose wait (x 20 ms) still fits a signed int.
const int kMaxPolltime = 0x7FFFFFFF / 20;

// Reads [Info] of a plain INI file; polltime is kept at most kMaxPolltime.
BridgeSettings ReadBridgeSettings(const char* iniPath);

// The wait of one polling interval in milliseconds (0 for a bad setting).
unsigned long PollMilliseconds(int polltime);

// The refusal message of settings that cannot run, or nullptr. The folder
// test looks at the disk.
const char* SettingsRefusal(const BridgeSettings& settings);

// Shows the refusal (caption "Message", information icon); false when refused.
bool CheckSettings(const BridgeSettings& settings);
