#pragma once
// BridgeService: the service the main form owns: the settings fields, the
// log, the command configuration and the worker, with the settings load
// that (re)starts the worker and the Stop and Quit actions.

#include "bridgelog.h"
#include "bridgesettings.h"
#include "commandconfig.h"
#include "receiptworker.h"

#include <string>

enum class LoadResult {
    Started,     // the worker runs with the new settings
    Refused,     // the settings cannot run: message shown, the old worker goes on
    NoCommands,  // no command declared: message shown, the program closes
};

class BridgeService {
public:
    explicit BridgeService(ServiceView* view) : view_(view) {}
    ~BridgeService() { Quit(); }
    BridgeService(const BridgeService&) = delete;
    BridgeService& operator=(const BridgeService&) = delete;

    // Loads the settings and the command configuration of the INI text at
    // iniPath (the store's work copy). The new settings are read and checked
    // before the running worker is touched; the old worker is ended before
    // the log is reopened and the configuration rebuilt.
    LoadResult Load(const std::string& iniPath);

    // The Stop action: ends the worker, pumping messages meanwhile.
    void Stop();
    // The program's end (or a reload): the same through the quit flag.
    void Quit();
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
};
