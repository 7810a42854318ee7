#include "commandconfig.h"

#include "workfile.h"

#include "xpath.h"
#include "xstring.h"
#include "xsystem.h"
#include "xtokenizer.h"

#include <windows.h>

#include <algorithm>

const char* const kNoCommandsMessage =
    "ATTENZIONE: nessun comando \xE8 stato dichiarato nel file di configurazione";

namespace {

const int kMaxKeys = 29;

class ProfileText {
public:
    explicit ProfileText(const char* path) : path_(path) {}
    std::string Get(const char* section, const char* key) const
    {
        return std::string(xsys().ReadProfileString(section, key, "", path_).c_str());
    }
    std::string Get(const std::string& section, int key) const
    {
        char name[16];
        wsprintfA(name, "%d", key);
        return Get(section.c_str(), name);
    }

private:
    const char* path_;
};

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

// Pieces between commas and line breaks, runs of them counting as one.
std::vector<std::string> Pieces(const std::string& text)
{
    std::vector<std::string> out;
    xtokenizer tok(text.c_str(), ",\r\n");
    if (tok.First() == 0)
        return out;
    for (xstring piece = tok.Token(); tok.HasToken(); piece = tok.Next())
        out.push_back(TrimmedText(piece.c_str()));
    return out;
}

// Every comma splits, so an empty middle field stays empty.
std::array<std::string, 3> TerminatorFields(const std::string& line)
{
    std::array<std::string, 3> fields;
    size_t start = 0;
    for (size_t i = 0; i < fields.size(); ++i) {
        size_t comma = line.find(',', start);
        fields[i] = TrimmedText(line.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return fields;
}

std::string WithoutWhiteSpace(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
        if (!(c == ' ' || (c >= '\t' && c <= '\r')))
            out += char(c);
    return out;
}

void ReadAccepted(const ProfileText& ini, CommandConfig& config)
{
    std::string ext = ini.Get("Info", "Ext");
    if (IsBlank(ext.c_str()))
        return;
    for (std::string piece : Pieces(ext)) {
        xstring t(piece.c_str());
        t.Replace("*.", "");
        t.Trim();
        piece = t.c_str();
        if (IsBlank(xpath(t).GetExt()))
            piece.insert(0, ".");
        config.acceptedNames.push_back(UpperAnsi(piece));
    }
}

void ReadNameList(const ProfileText& ini, const char* section, NameList& list)
{
    for (int n = 1; n <= kMaxKeys; ++n) {
        std::string value = ini.Get(section, n);
        if (!value.empty())
            list.push_back(UpperAnsi(value));
    }
}

void ReadCommandSection(const ProfileText& ini, const std::string& command, CommandConfig& config)
{
    const char* section = command.c_str();
    std::string alias = ini.Get(section, "ALIAS");
    if (!IsBlank(alias.c_str()))
        for (const std::string& piece : Pieces(alias))
            config.commandAliases.emplace(piece, command);
    std::string def = ini.Get(section, "DEFAULT");
    if (!IsBlank(def.c_str()))
        config.commandDefaults.emplace(command, TrimmedText(FirstLine(def)));
    std::string format = ini.Get(section, "FORMAT");
    if (!IsBlank(format.c_str()))
        config.commandFormats.emplace(command, TrimmedText(FirstLine(format)));
}

void ReadOption(const ProfileText& ini, const std::string& command, const std::string& option,
                CommandConfig& config)
{
    config.commandOptions.emplace(command, option);
    const char* section = option.c_str();
    std::string alias = ini.Get(section, "ALIAS");
    if (!IsBlank(alias.c_str()))
        for (const std::string& piece : Pieces(alias))
            config.optionAliases.emplace(command, NameMap{{piece, option}});
    for (int m = 1; m <= kMaxKeys; ++m) {
        char key[16];
        wsprintfA(key, "NMAP%d", m);
        std::string names = ini.Get(section, key);
        if (IsBlank(names.c_str()))
            continue;
        char number[16];
        wsprintfA(number, "%d", m);
        for (const std::string& piece : Pieces(names))
            config.valueMaps.emplace(option, NameMap{{number, piece}});
    }
    std::string terminator = ini.Get(command.c_str(), "TERMINATOR");
    if (!IsBlank(terminator.c_str()) && !config.terminators.count(command))
        config.terminators.emplace(command, TerminatorFields(FirstLine(terminator)));
    std::string format = ini.Get(section, "FORMAT");
    if (!IsBlank(format.c_str())) {
        std::string f = TrimmedText(FirstLine(format));
        config.optionFormats.emplace(option, f == "---" ? std::string() : f);
    }
}

// The progress is ended however the load ends.
class ProgressShown {
public:
    explicit ProgressShown(LoadProgress* progress) : progress_(progress)
    {
        if (progress_)
            progress_->Begin();
    }
    ~ProgressShown()
    {
        if (progress_)
            progress_->End();
    }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    LoadProgress* progress_;
};

bool Contains(const NameList& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

std::string UpperAnsi(const std::string& text)
{
    std::string out(text);
    if (!out.empty())
        CharUpperBuffA(&out[0], DWORD(out.size()));
    return out;
}

std::string TrimmedText(const std::string& text)
{
    xstring t(text.c_str());
    t.Trim();
    return t.c_str();
}

void CommandConfig::Clear()
{
    *this = CommandConfig();
}

bool CommandConfig::IsEnabled(const std::string& command) const
{
    return Contains(enabledCommands, command);
}

bool CommandConfig::IsDisabled(const std::string& command) const
{
    return Contains(disabledCommands, command);
}

bool CommandConfig::IsOptionDisabled(const std::string& option) const
{
    return Contains(disabledOptions, option);
}

bool CommandConfig::HasOption(const std::string& command, const std::string& option) const
{
    auto range = commandOptions.equal_range(command);
    for (auto it = range.first; it != range.second; ++it)
        if (it->second == option)
            return true;
    return false;
}

bool CommandConfig::HasOptions(const std::string& command) const
{
    return commandOptions.count(command) != 0;
}

bool LoadCommandConfig(const char* iniPath, CommandConfig& config, LoadProgress* progress)
{
    config.Clear();
    ProfileText ini(iniPath);
    const char* talking = "Codice Parlante";
    config.talkingCommand = ini.Get(talking, "COMANDO");
    config.talkingArmOption = ini.Get(talking, "OPZIONE ATTIVAZIONE");
    config.talkingPrintOption = ini.Get(talking, "OPZIONE STAMPA");
    config.talkingNumbers = ini.Get(talking, "NUMERO");
    config.talkingFormat = ini.Get(talking, "FORMAT");
    ReadAccepted(ini, config);
    ReadNameList(ini, "Comandi", config.enabledCommands);
    bool declared = !config.enabledCommands.empty();
    if (!declared)
        xsys().MessageBox(kNoCommandsMessage, "Message", MB_ICONINFORMATION);
    ProgressShown shown(progress);
    ReadNameList(ini, "Comandi_off", config.disabledCommands);
    ReadNameList(ini, "Opzioni_off", config.disabledOptions);
    for (const std::string& command : config.enabledCommands)
        ReadCommandSection(ini, command, config);
    for (const std::string& command : config.enabledCommands) {
        for (int n = 1; n <= kMaxKeys; ++n) {
            std::string option = UpperAnsi(WithoutWhiteSpace(ini.Get(command, n)));
            if (!option.empty())
                ReadOption(ini, command, option, config);
        }
    }
    return declared;
}

bool LoadCommandConfigText(const std::string& text, CommandConfig& config)
{
    xstring path;
    xsystem& sys = xsys();
    if (!sys.TempFileName(path, sys.GetTempFolder(), "cfg")) {
        config.Clear();
        return false;
    }
    WriteWorkFile(path, text.data(), text.size(), FILE_ATTRIBUTE_TEMPORARY);
    bool declared = LoadCommandConfig(path, config);
    sys.DeleteFile(path);
    return declared;
}
