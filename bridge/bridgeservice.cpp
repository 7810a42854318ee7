#include "bridgeservice.h"

#include "xstring.h"

#include <windows.h>

void BridgeService::ReadSettings(const std::string& iniPath)
{
    settings_ = ReadBridgeSettings(iniPath.c_str());
    // One level, a failure shows later; never a "\log" at the drive's root.
    if (!IsBlank(settings_.Cartella.c_str()) &&
        GetFileAttributesA(settings_.logFolder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(settings_.logFolder.c_str(), nullptr);
}

LoadResult BridgeService::Start(const std::string& iniPath, LoadProgress* progress,
                                const std::function<bool()>& goOn)
{
    if (!CheckSettings(settings_))
        return LoadResult::Refused;
    // The old worker writes the log and reads the configuration: it ends
    // first. Its end is no quit of the program: a close meanwhile only hides.
    worker_.RequestQuit();
    worker_.WaitEnded(INFINITE);
    if (quitting_ || (goOn && !goOn()))
        return LoadResult::Abandoned;
    log_.Open(settings_.logFolder, settings_.log);
    LogBanner banner;
    banner.Port = settings_.Port;
    banner.Backup = settings_.Backup;
    banner.Offline = settings_.Offline;
    banner.Level = settings_.Level;
    log_.WriteBanner(banner);
    if (!LoadCommandConfig(iniPath.c_str(), config_, progress))
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
    RequestQuit();
    worker_.WaitEnded(INFINITE);
    worker_.ReleaseHeld(true);
}
