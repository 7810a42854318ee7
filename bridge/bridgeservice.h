#pragma once
// BridgeService: the service the main form owns, and the one owner of its
// state: the settings fields, the command configuration, the log and the
// worker with its event and its quit and stop requests. The form shows the
// fields and commands the service; the worker runs over copies of the
// settings and configuration it was started with, so a later load never
// changes them under it.

#include "bridgelog.h"
#include "bridgesettings.h"
#include "commandconfig.h"
#include "receiptworker.h"

#include <functional>
#include <string>

enum class LoadResult {
    Started,     // the worker runs with the new settings
    Refused,     // the settings cannot run: message shown, the old worker goes on
    NoCommands,  // no command declared: message shown, the program closes
    Abandoned,   // the program was closed while the old worker ended
};

class BridgeService {
public:
    explicit BridgeService(ServiceView* view) : view_(view) {}
    ~BridgeService() { Quit(); }
    BridgeService(const BridgeService&) = delete;
    BridgeService& operator=(const BridgeService&) = delete;

    // Every field replaced at once from the INI text at iniPath (the store's
    // work copy), before any check; the log folder is made when missing.
    void ReadSettings(const std::string& iniPath);
    // A stored serial port that is not present: the service goes over the
    // network.
    void UseNetwork() { settings_.Port = 0; }
    // Checks the fields read (a refusal is shown and a running worker goes
    // on), ends the running worker, reopens the log with its banner,
    // rebuilds the command configuration from iniPath and starts the worker.
    // goOn, asked once the old worker has ended, may abandon the load.
    LoadResult Start(const std::string& iniPath, LoadProgress* progress = nullptr,
                     const std::function<bool()>& goOn = nullptr);
    // Both, for callers without a window.
    LoadResult Load(const std::string& iniPath)
    {
        ReadSettings(iniPath);
        return Start(iniPath);
    }

    // The Stop action: ends the worker, pumping messages meanwhile.
    void Stop();
    // The program's end: the same through the quit request.
    void Quit();
    // Raises the program's quit alone: the worker ends at its next check.
    void RequestQuit()
    {
        quitting_ = true;
        worker_.RequestQuit();
    }
    // The program is quitting (a reload ending its old worker is not).
    bool QuitRequested() const { return quitting_; }
    bool IsRunning() const { return worker_.IsRunning(); }

    const BridgeSettings& Settings() const { return settings_; }
    const CommandConfig& Config() const { return config_; }
    BridgeLog& Log() { return log_; }
    ReceiptWorker& Worker() { return worker_; }

private:
    ServiceView* view_;
    BridgeSettings settings_;
    CommandConfig config_;
    BridgeLog log_;
    ReceiptWorker worker_;
    bool quitting_ = false;
};
