#include "receipt.h"

#include "bridgelog.h"
#include "linescanner.h"
#include "xexceptions.h"
#include "xprocess.h"
#include "xstring.h"

#include <windows.h>

namespace {

const char* const kWordDelimiters = " =,";
const char* const kValueDelimiters = "=,";
const char* const kNotCompleted = " SCONTRINO NON COMPLETAMENTE ELABORATO";

void ReplaceAll(std::string& text, const std::string& what, const std::string& with)
{
    xstring t(text.c_str());
    t.Replace(what.c_str(), with.c_str());
    text = t.c_str();
}

bool ContainsNoCase(const std::string& text, const std::string& part)
{
    return xstring(text.c_str()).Find(part.c_str(), 0, true) >= 0;
}

// The translation of one line: its scanner, its number and the receipt.
class LineWork {
public:
    LineWork(CommandConfig& config, CommandSender* sender, BridgeLog* log, const std::string& shellFolder,
             ReceiptState& state, const std::string& line, int n)
        : config_(config), sender_(sender), log_(log), shellFolder_(shellFolder), state_(state),
          scanner_(line, kWordDelimiters), line_(scanner_.Text()), n_(n)
    {
    }

    void Run();

private:
    std::string Riga() const { return "RIGA " + std::to_string(n_) + " - "; }
    [[noreturn]] void Refuse(const std::string& what);
    void Command(const std::string& command);
    void Options(const std::string& command, const std::string& format);
    void Option(const std::string& command, const std::string& format, std::string option);
    std::string ReadValue();
    void BuildText(const std::string& command, const std::string& format);
    void AddPiece(const std::string& command, const std::string& piece);
    void Terminate(const std::string& command);
    void Shell();
    void Log(const std::string& text)
    {
        if (log_)
            log_->Write(text);
    }

    CommandConfig& config_;
    CommandSender* sender_;
    BridgeLog* log_;
    const std::string& shellFolder_;
    ReceiptState& state_;
    LineScanner scanner_;
    std::string line_;
    int n_;
};

// The four refusals of the translation: no "_X_X_" copy for this receipt.
void LineWork::Refuse(const std::string& what)
{
    state_.generatedText.clear();
    state_.receiptMessages += Riga() + what + "\r\nSULLA LINEA: " + line_ + kNotCompleted;
    throw ReceiptAbort(what);
}

void LineWork::Run()
{
    for (std::string token = scanner_.Next(); !IsBlank(token.c_str()); token = scanner_.Next()) {
        std::string command = UpperAnsi(token);
        auto alias = config_.commandAliases.find(command);
        if (alias != config_.commandAliases.end())
            command = alias->second;
        if (!config_.IsEnabled(command)) {
            if (!config_.IsDisabled(command))
                Refuse("COMANDO SCONOSCIUTO: " + command);
            std::string rest = scanner_.NextToken("\n");
            state_.receiptMessages += Riga() + "COMANDO IGNORATO: " + command + " " + rest + "\r\n";
            state_.lineText.clear();
        } else if (command == "SHELL") {
            Shell();
            continue;
        } else {
            Command(command);
        }
        if (IsBlank(state_.lineText.c_str()))
            continue;
        if (sender_) {
            int rc = sender_->Send(state_.lineText.c_str());
            if (rc < 0) {
                state_.receiptMessages += "(SEND) ERRORE COMUNICAZIONE ERC: " + sender_->ErrorText(rc);
                throw ReceiptAbort("send");
            }
        }
        state_.generatedText += "\r\n" + state_.lineText;
    }
}

void LineWork::Command(const std::string& command)
{
    std::string& messages = state_.receiptMessages;
    if (!messages.empty() && messages.back() != '\n')
        messages += "\r\n";
    auto format = config_.commandFormats.find(command);
    if (format == config_.commandFormats.end())
        Refuse("FORMATO MANCANTE DEL COMANDO: " + command);
    config_.lineOptions.clear();
    if (!config_.HasOptions(command)) {
        // Further words of the line are further commands.
        state_.lineText = format->second;
        return;
    }
    Options(command, format->second);
    BuildText(command, format->second);
    Terminate(command);
}

void LineWork::Options(const std::string& command, const std::string& format)
{
    std::string option = UpperAnsi(scanner_.Next());
    if (option.empty()) {
        auto def = config_.commandDefaults.find(command);
        if (def == config_.commandDefaults.end())
            Refuse("OPZIONE MANCANTE NEL COMANDO: " + command);
        scanner_.SetText(def->second);
        option = UpperAnsi(scanner_.Next());
    }
    while (!option.empty()) {
        Option(command, format, option);
        option = UpperAnsi(scanner_.Next());
    }
}

void LineWork::Option(const std::string& command, const std::string& format, std::string option)
{
    auto aliases = config_.optionAliases.equal_range(command);
    for (auto it = aliases.first; it != aliases.second; ++it) {
        if (it->second.begin()->first == option) {
            option = it->second.begin()->second;
            break;
        }
    }
    // Only a comma right after the name says the option has no value: the
    // delimiter really met, however many blanks came before the name.
    const bool hasValue = scanner_.EndedBy() != ',';
    if (config_.IsOptionDisabled(option)) {
        state_.receiptMessages += Riga() + "OPZIONE IGNORATA: " + option + "\r\n";
        // A value written with "=" goes with its option, blanks around the
        // "=" allowed as for an enabled option; any other next word is read
        // as the next option name.
        if (scanner_.EndedBy() == '=' || (scanner_.EndedBy() == ' ' && scanner_.NextNonBlank() == '='))
            ReadValue();
        return;
    }
    if (!config_.HasOption(command, option))
        Refuse("OPZIONE SCONOSCIUTA: " + option);
    if (!ContainsNoCase(format, option))
        state_.receiptMessages += Riga() + "OPZIONE ACCETTATA MA NON ELABORATA: " + option + "\r\n";
    if (!hasValue) {
        config_.lineOptions.emplace(option, std::string());
        return;
    }
    std::string value = ReadValue();
    if (command == config_.talkingCommand && option == config_.talkingArmOption &&
        config_.talkingNumbers.find(value) != std::string::npos)
        config_.talkingLine = n_;
    auto maps = config_.valueMaps.equal_range(option);
    for (auto it = maps.first; it != maps.second; ++it)
        if (it->second.begin()->first == value)
            value = it->second.begin()->second;
    config_.lineOptions.emplace(option, value);
}

std::string LineWork::ReadValue()
{
    scanner_.SetDelimiters(kValueDelimiters);
    std::string value = TrimmedText(scanner_.Next());
    ReplaceAll(value, "''", "|");
    if (!value.empty() && value.front() == '\'' && value.back() != '\'') {
        // A quoted value goes on to the closing quote, with the delimiter
        // that really stood inside it.
        char inside = scanner_.EndedBy();
        std::string more = scanner_.NextToken("'");
        if (inside)
            value += inside;
        value += more;
    }
    scanner_.SetDelimiters(kWordDelimiters);
    return value;
}

void LineWork::BuildText(const std::string& command, const std::string& format)
{
    state_.lineText.clear();
    size_t start = 0;
    for (;;) {
        size_t plus = format.find('+', start);
        AddPiece(command, format.substr(start, plus == std::string::npos ? plus : plus - start));
        if (plus == std::string::npos)
            break;
        start = plus + 1;
    }
}

void LineWork::AddPiece(const std::string& command, const std::string& piece)
{
    auto option = config_.lineOptions.find(piece);
    if (option == config_.lineOptions.end())
        return;
    std::string value = option->second;
    ReplaceAll(value, "'", "");
    auto optionFormat = config_.optionFormats.find(piece);
    if (optionFormat == config_.optionFormats.end())
        return;
    std::string format = optionFormat->second;
    ReplaceAll(value, "|", "'");
    if (command == config_.talkingCommand && piece == config_.talkingPrintOption) {
        if (n_ >= 2 && config_.talkingLine == n_ - 1)
            format = config_.talkingFormat;
        else
            state_.lineText.clear();
        config_.talkingLine = 0;
    }
    if (format.empty())
        return;
    if (!value.empty() && value.front() == ':') {
        format = value.substr(1);
        value.clear();
    }
    if (format.find('$') != std::string::npos) {
        ReplaceAll(value, "\xB4", "'");
        ReplaceAll(format, "$", value);
        state_.lineText += format;
    } else {
        state_.lineText += value + format;
    }
}

void LineWork::Terminate(const std::string& command)
{
    auto terminator = config_.terminators.find(command);
    if (terminator == config_.terminators.end())
        return;
    const auto& fields = terminator->second;
    state_.lineText += config_.lineOptions.count(fields[0]) ? fields[1] : fields[2];
}

// The child gets show-window start-up flags only, no standard handles: a
// console command then has a console of its own. Failures to start raise
// the process exception.
DWORD RunShellCommand(const std::string& commandLine, const std::string& folder)
{
    xprocess child("", commandLine.c_str());
    child.SetFolder(folder.c_str());
    child.SetStartupFlags(STARTF_USESHOWWINDOW);
    child.Execute();
    child.Wait(INFINITE);
    DWORD code = 0;
    child.GetExitCode(code);
    return code;
}

void LineWork::Shell()
{
    std::string commandLine = scanner_.NextToken("\r\n");
    Log("Esecuzione shell: " + commandLine + "\r\n");
    // Nothing to run: told in the log, not in a box nobody answers at the
    // register, and the receipt goes on rather than stay half printed.
    if (IsBlank(commandLine.c_str())) {
        Log("Eccezione in shell: xprocess::Execute. No module name.\r\n");
        return;
    }
    std::string failure;
    try {
        DWORD code = RunShellCommand(commandLine, shellFolder_);
        Log("Codice di ritorno: " + std::to_string(static_cast<unsigned long>(code)) + "\r\n");
        return;
    } catch (const xprocessexceptions& e) {
        failure = std::string("Eccezione in shell: ") + e.GetReason().c_str();
    } catch (...) {
        failure = "Eccezione generica in shell";
    }
    Log(failure + "\r\n");
    throw ReceiptAbort(failure);
}

}  // namespace

void ReceiptTranslator::ProcessLine(int proto, ReceiptState& state, const std::string& line, int n)
{
    if (proto == 1)
        SendUnchanged(state, line);
    else
        TranslateLine(state, line, n);
}

void ReceiptTranslator::SendUnchanged(ReceiptState& state, const std::string& line)
{
    state.generatedText += line.c_str();
    if (!sender_)
        return;
    int rc = sender_->Send(line.c_str());
    if (rc >= 0)
        return;
    std::string message = sender_->IsSerial() ? std::string() : LogTimestamp() + " ";
    message += "(SEND) ERRORE COMUNICAZIONE ECR: " + sender_->ErrorText(rc) +
               " SCONTRINO ELABORATO FINO ALLA LINEA" + line.c_str();
    state.receiptMessages += message;
    throw ReceiptAbort(message);
}

void ReceiptTranslator::TranslateLine(ReceiptState& state, const std::string& line, int n)
{
    LineWork(config_, sender_, log_, shellFolder_, state, line, n).Run();
}

bool TranslateReceipt(ReceiptTranslator& translator, int proto, ReceiptState& state,
                      const std::vector<std::string>& lines)
{
    try {
        int n = 0;
        for (const std::string& line : lines)
            translator.ProcessLine(proto, state, line, ++n);
    } catch (const ReceiptAbort&) {
        return false;
    }
    return true;
}
