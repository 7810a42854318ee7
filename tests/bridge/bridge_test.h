#pragma once
// Helpers of the bridge tests: a recording message box and a recording
// sender standing where the register link would be.

#include "receipt.h"
#include "xhooks.h"

#include <string>
#include <vector>

namespace bridgetest {

struct Box {
    std::string text;
    std::string caption;
    unsigned style;
};

inline std::vector<Box>& boxes()
{
    static std::vector<Box> all;
    return all;
}

inline int RecordBox(HWND, const char* text, const char* caption, UINT style)
{
    boxes().push_back({text ? text : "", caption ? caption : "", style});
    return IDOK;
}

// Swaps the box routine for the recorder while alive.
class BoxRecorder {
public:
    BoxRecorder() : old_(xsetmessagebox(RecordBox)) { boxes().clear(); }
    ~BoxRecorder() { xsetmessagebox(old_); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

private:
    xmessageboxfn old_;
};

// Keeps every text it is given; refuses the send number refuseAt (1-based)
// with refuseCode.
class RecordingSender : public CommandSender {
public:
    int Send(const char* text) override
    {
        sent.push_back(text);
        if (refuseAt != 0 && int(sent.size()) == refuseAt)
            return refuseCode;
        return 0;
    }
    std::string ErrorText(int code) override { return "ERR" + std::to_string(code); }
    bool IsSerial() const override { return serial; }

    std::vector<std::string> sent;
    int refuseAt = 0;
    int refuseCode = -5;
    bool serial = false;
};

}  // namespace bridgetest
