#pragma once
// The simulated cash register's state, shared by its TFTP, TCP and serial
// faces: the INFO status fields, the management command processor behind
// COMMAND.TXT / RESPONSE.TXT and the register's files, all behind one mutex
// so that the channel threads and the test thread may touch it at once.

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace ecrsim {

// The fields of the INFO answer.
struct InfoFields {
    char state = 'I';     // ECR=  register state letter ('I', 'V', ...)
    int stati = 1;        // STATI= 0: error or set-up, else a valid state
    int hostConn = 0;     // HST_CONN= a host holds the command port
    int cmd = 0;          // CMD= a command is still being carried out
    int setup = 0;        // SETUP= the register is in set-up mode
    std::string version = "ECRSIM 1.0";  // VERSIONE=
};

class SimRegister {
public:
    SimRegister();
    SimRegister(const SimRegister&) = delete;
    SimRegister& operator=(const SimRegister&) = delete;

    // --- INFO status ---
    void setInfo(const InfoFields& fields);
    InfoFields info() const;
    void setState(char letter);
    void setStati(int value);
    // HST_CONN follows the TCP host connection.
    void setHostConnected(bool connected);
    bool hostConnected() const;
    void setCmd(int value);
    void setSetup(int value);
    // A raw INFO answer for hostile cases (missing keys, odd values, long
    // lines); an empty text returns to the fields.
    void setRawInfo(const std::string& text);
    // The INFO answer as the register writes it into RESPONSE.TXT:
    // "ECR=I,STATI=1,HST_CONN=0,CMD=0,SETUP=0,VERSIONE=ECRSIM 1.0".
    std::string infoText();
    // Number of INFO commands answered so far.
    int infoCount() const;

    // --- management commands ---
    // A reset command (AZZ...) or a stored PLU.BIN keeps CMD=1 for this
    // many following INFO answers (0: done at once; < 0: never done).
    void setBusyInfos(int count);
    // Runs one COMMAND.TXT text and returns the RESPONSE.TXT text, which is
    // also stored as the register file "RESPONSE.TXT". Unknown commands
    // answer "ERR" and change nothing.
    std::string runCommand(const std::string& command);
    // Every command run so far, in order, as received.
    std::vector<std::string> commands() const;
    void clearCommands();
    // Commands the register knows beyond these (VENDCORR, ...): called under
    // the register's lock with its file store; true when taken (answer "OK",
    // the register then stays busy like after a reset).
    using CommandHook =
        std::function<bool(const std::string& command, std::map<std::string, std::string>& files)>;
    void setCommandHook(CommandHook hook);

    // --- files (name -> bytes; names compared as written) ---
    void putFile(const std::string& name, const std::string& bytes);
    bool getFile(const std::string& name, std::string* bytes) const;
    bool hasFile(const std::string& name) const;
    void removeFile(const std::string& name);
    std::vector<std::string> fileNames() const;
    // Called by a channel after it received a whole file: stores it and
    // reacts (COMMAND.TXT runs the command, PLU.BIN makes the register busy).
    void fileReceived(const std::string& name, const std::string& bytes);

private:
    std::string infoTextLocked();
    std::string runLocked(const std::string& command);

    mutable std::mutex mutex_;
    InfoFields fields_;
    std::string rawInfo_;
    int infoCount_ = 0;
    int busyInfos_ = 2;
    int busyLeft_ = 0;  // < 0: busy for ever
    std::vector<std::string> commands_;
    std::map<std::string, std::string> files_;
    CommandHook hook_;
};

}  // namespace ecrsim
