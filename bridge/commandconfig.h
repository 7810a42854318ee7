#pragma once
// CommandConfig: the command tables read from the configuration text (the
// same INI text as the bridge settings), and their loader. The translation
// and the worker only read the tables, except the two scratch members
// talkingLine and lineOptions.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Every text is a byte string in the ANSI code page; maps compare bytes.
using NameList = std::vector<std::string>;
using NameMap = std::map<std::string, std::string>;
using NameMultimap = std::multimap<std::string, std::string>;
// Several one-entry maps per key, kept in insertion order.
using NameMapMultimap = std::multimap<std::string, NameMap>;

struct CommandConfig {
    NameList acceptedNames;     // ".TXT" or "NAME.TXT", upper case
    NameList enabledCommands;   // [Comandi] 1..29, upper case
    NameList disabledCommands;  // [Comandi_off] 1..29, upper case
    NameList disabledOptions;   // [Opzioni_off] 1..29, upper case
    NameMultimap commandOptions;      // command -> option, key order 1..29
    NameMap commandDefaults;          // command -> DEFAULT
    NameMap commandAliases;           // alias -> command
    NameMapMultimap optionAliases;    // command -> {alias -> option}
    NameMap commandFormats;           // command -> FORMAT
    NameMap optionFormats;            // option -> FORMAT ("---" stored empty)
    std::map<std::string, std::array<std::string, 3>> terminators;
    NameMapMultimap valueMaps;        // option -> {number -> name}

    std::string talkingCommand;
    std::string talkingArmOption;
    std::string talkingPrintOption;
    std::string talkingNumbers;
    std::string talkingFormat;

    int32_t talkingLine = 0;  // line of the last arming line, 0 = none
    NameMap lineOptions;      // option -> value of the command being translated

    void Clear();

    bool IsEnabled(const std::string& command) const;
    bool IsDisabled(const std::string& command) const;
    bool IsOptionDisabled(const std::string& option) const;
    bool HasOption(const std::string& command, const std::string& option) const;
    bool HasOptions(const std::string& command) const;
};

// What the program shows while the loader reads the tables (its wait form).
class LoadProgress {
public:
    virtual ~LoadProgress() = default;
    virtual void Begin() = 0;
    virtual void End() = 0;
};

// The no-command warning of the loader.
extern const char* const kNoCommandsMessage;

// Fills config from the INI file at iniPath, read through the platform's
// profile reader (255-character values, its trimming and quote rules).
// When no command is declared it shows the warning box and returns false;
// the tables are complete either way and the caller decides about closing.
// progress, when given, is shown after that box for the rest of the load.
bool LoadCommandConfig(const char* iniPath, CommandConfig& config, LoadProgress* progress = nullptr);

// The same over a configuration text: the text goes through a work file in
// the temporary folder, so the profile reader sees it exactly as on disk.
bool LoadCommandConfigText(const std::string& text, CommandConfig& config);

// Upper case by the ANSI code page's rules, as receipt tokens are compared.
std::string UpperAnsi(const std::string& text);

// Without blanks, other white space and control characters at both ends:
// the framework's trim, which the configuration and the receipts share.
std::string TrimmedText(const std::string& text);
