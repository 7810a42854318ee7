#include "sim_register.h"

#include <cstdio>

namespace ecrsim {

namespace {
const char kResponseFile[] = "RESPONSE.TXT";
const char kCommandFile[] = "COMMAND.TXT";

bool isResetCommand(const std::string& c)
{
    return c == "AZZDATI" || c == "AZZFAT" || c == "AZZVEN_CORR" || c == "AZZFIS" ||
           c == "AZZVEN_ARCH";
}
}  // namespace

SimRegister::SimRegister() = default;

void SimRegister::setInfo(const InfoFields& fields)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_ = fields;
}

InfoFields SimRegister::info() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return fields_;
}

void SimRegister::setState(char letter)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_.state = letter;
}

void SimRegister::setStati(int value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_.stati = value;
}

void SimRegister::setHostConnected(bool connected)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_.hostConn = connected ? 1 : 0;
}

bool SimRegister::hostConnected() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return fields_.hostConn != 0;
}

void SimRegister::setCmd(int value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_.cmd = value;
}

void SimRegister::setSetup(int value)
{
    std::lock_guard<std::mutex> lock(mutex_);
    fields_.setup = value;
}

void SimRegister::setRawInfo(const std::string& text)
{
    std::lock_guard<std::mutex> lock(mutex_);
    rawInfo_ = text;
}

std::string SimRegister::infoText()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return infoTextLocked();
}

std::string SimRegister::infoTextLocked()
{
    if (!rawInfo_.empty())
        return rawInfo_;
    int cmd = (fields_.cmd != 0 || busyLeft_ != 0) ? 1 : 0;
    char text[160];
    std::snprintf(text, sizeof text, "ECR=%c,STATI=%d,HST_CONN=%d,CMD=%d,SETUP=%d,VERSIONE=",
                  fields_.state, fields_.stati, fields_.hostConn, cmd, fields_.setup);
    return text + fields_.version;
}

int SimRegister::infoCount() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return infoCount_;
}

void SimRegister::setBusyInfos(int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    busyInfos_ = count;
}

std::string SimRegister::runCommand(const std::string& command)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::string response = runLocked(command);
    files_[kResponseFile] = response;
    return response;
}

std::string SimRegister::runLocked(const std::string& command)
{
    commands_.push_back(command);
    if (command == "INFO") {
        ++infoCount_;
        std::string text = infoTextLocked();
        if (busyLeft_ > 0)
            --busyLeft_;  // the command advances with each status query
        return text;
    }
    if (command == "SETUP 1") {
        // In set-up mode the register has no valid operating state.
        fields_.setup = 1;
        fields_.stati = 0;
        return "OK";
    }
    if (command == "SETUP 0") {
        fields_.setup = 0;
        fields_.stati = 1;
        return "OK";
    }
    if (isResetCommand(command)) {
        busyLeft_ = busyInfos_;
        return "OK";
    }
    if (hook_ && hook_(command, files_)) {
        busyLeft_ = busyInfos_;
        return "OK";
    }
    return "ERR";
}

void SimRegister::setCommandHook(CommandHook hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

std::vector<std::string> SimRegister::commands() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void SimRegister::clearCommands()
{
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.clear();
}

void SimRegister::putFile(const std::string& name, const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    files_[name] = bytes;
}

bool SimRegister::getFile(const std::string& name, std::string* bytes) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = files_.find(name);
    if (it == files_.end())
        return false;
    if (bytes)
        *bytes = it->second;
    return true;
}

bool SimRegister::hasFile(const std::string& name) const { return getFile(name, nullptr); }

void SimRegister::removeFile(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    files_.erase(name);
}

std::vector<std::string> SimRegister::fileNames() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    for (const auto& f : files_)
        names.push_back(f.first);
    return names;
}

void SimRegister::fileReceived(const std::string& name, const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    files_[name] = bytes;
    if (name == kCommandFile) {
        files_[kResponseFile] = runLocked(bytes);
    } else if (name == "PLU.BIN") {
        busyLeft_ = busyInfos_;  // the register loads the new price list
    }
}

}  // namespace ecrsim
