#pragma once
// SettingsStore: the file "ECR.BLW" in the program folder, the bridge's INI
// text enciphered with Blowfish (ECB, zero padding, the program's key), its
// plain import "ECR.INI" and the work copies in the temporary folder. A
// file that cannot be written is shown to the user through the file
// class's error routine, and the operation answers false.

#include "bridgesettings.h"

#include <string>

class SettingsStore {
public:
    // folder: the program folder; a missing trailing backslash is added.
    explicit SettingsStore(const std::string& folder);

    std::string StorePath() const { return folder_ + "ECR.BLW"; }
    std::string ImportPath() const { return folder_ + "ECR.INI"; }
    static std::string LoadCopyPath();  // temp folder + "tmp277.tmp"
    static std::string SaveCopyPath();  // temp folder + "tmp767.tmp"

    // The deciphered INI text up to its first zero byte; empty when the
    // store is missing or empty, or its size is not whole blocks.
    std::string Read() const;
    // Enciphers the plain file into the store; false (store untouched)
    // when the file does not exist or the store cannot be written.
    bool Write(const std::string& plainPath) const;
    // The start-up import of a plain "ECR.INI" beside the store.
    bool Import() const { return Write(ImportPath()); }
    // The load's work copy "tmp277.tmp", left in place; returns its path,
    // or an empty one when it cannot be written (the failure is shown).
    std::string WriteLoadCopy() const;
    // Writes the settings fields into [Info], keeping every other line.
    bool SaveSettings(const BridgeSettings& settings) const;

private:
    std::string folder_;
};
