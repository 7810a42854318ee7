#pragma once
// The per-line step of a receipt: a line already in XON/XOFF form is sent
// unchanged, any other line is translated through the CommandConfig into
// command texts, which go to the register through a CommandSender.

#include "commandconfig.h"

#include <string>

class BridgeLog;

// Raised by a line that ends its receipt; its message is already in the
// receipt's messages (a SHELL failure adds none and logs instead).
class ReceiptAbort {
public:
    explicit ReceiptAbort(const std::string& reason) : reason_(reason) {}
    const std::string& Reason() const { return reason_; }

private:
    std::string reason_;
};

// Where command texts go. The link implementation calls the link library;
// tests may record instead.
class CommandSender {
public:
    virtual ~CommandSender() = default;
    // The link library's result: negative is a failure.
    virtual int Send(const char* text) = 0;
    // The name of a negative result, as the link library gives it.
    virtual std::string ErrorText(int code) = 0;
    virtual bool IsSerial() const = 0;
};

// State of one receipt, emptied by the worker when a receipt starts.
struct ReceiptState {
    std::string receiptMessages;
    std::string generatedText;
    std::string lineText;
};

class ReceiptTranslator {
public:
    // sender nullptr is test mode: everything happens but the sending.
    // log receives the SHELL lines; it may be nullptr.
    ReceiptTranslator(CommandConfig& config, CommandSender* sender, BridgeLog* log)
        : config_(config), sender_(sender), log_(log)
    {
    }

    // The folder SHELL commands run in (the worker's shared folder); blank:
    // the program's current folder.
    void SetShellFolder(const std::string& folder) { shellFolder_ = folder; }

    // One cleaned line numbered n (1 for the first); proto 1 sends it as is.
    void ProcessLine(int proto, ReceiptState& state, const std::string& line, int n);
    void SendUnchanged(ReceiptState& state, const std::string& line);
    void TranslateLine(ReceiptState& state, const std::string& line, int n);

private:
    CommandConfig& config_;
    CommandSender* sender_;
    BridgeLog* log_;
    std::string shellFolder_;
};

// Runs every line in order until one aborts; false when the receipt was
// ended by an abort.
bool TranslateReceipt(ReceiptTranslator& translator, int proto, ReceiptState& state,
                      const std::vector<std::string>& lines);
