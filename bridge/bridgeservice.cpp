#include "bridgeservice.h"

#include <windows.h>

namespace {

void EnsureFolder(const std::string& folder)
{
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(folder.c_str(), nullptr);  // one level; a failure shows later
}

}  // namespace

LoadResult BridgeService::Load(const std::string& iniPath)
{
    BridgeSettings next = ReadBridgeSettings(iniPath.c_str());
    next.logFolder = next.Cartella + "\\log";
    if (!CheckSettings(next))
        return LoadResult::Refused;
    EnsureFolder(next.logFolder);

    // The old worker writes the log and reads the settings: it ends first.
    Quit();
    settings_ = next;
    log_.Open(settings_.logFolder, settings_.log);
    LogBanner banner;
    banner.Port = settings_.Port;
    banner.Backup = settings_.Backup;
    banner.Offline = settings_.Offline;
    banner.Level = settings_.Level;
    log_.WriteBanner(banner);

    config_.Clear();
    if (!LoadCommandConfig(iniPath.c_str(), config_))
        return LoadResult::NoCommands;
    worker_.Start(settings_, config_, log_, view_);
    return LoadResult::Started;
}

void BridgeService::Stop()
{
    worker_.RequestStop();
    worker_.WaitEnded(INFINITE);
}

void BridgeService::Quit()
{
    worker_.RequestQuit();
    worker_.WaitEnded(INFINITE);
}
