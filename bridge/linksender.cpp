#include "linksender.h"

#include "brisal.h"

int LinkSender::Send(const char* text)
{
    if (port_ != 0)
        return ecr_send_xonxoff_ser(port_, text);
    return ecr_send_xonxoff_ntw(socket_, text);
}

std::string LinkSender::ErrorText(int code)
{
    return LinkErrorText(code);
}

std::string LinkErrorText(int code)
{
    char buffer[256] = {};
    ecr_get_err(code, buffer);
    return buffer;
}
