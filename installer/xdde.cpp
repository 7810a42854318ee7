#include "xdde.h"

#include "zapplication.h"

#include <cstring>

xdde::xdde() : instance(zApp().ddeInstance) {}

xdde::~xdde()
{
    Disconnect();
}

bool xdde::DdeConnectService()
{
    if (!instance)
        return false;
    Disconnect();
    HSZ serviceHandle =
        service.IsBlank() ? nullptr : DdeCreateStringHandleA(instance, service, CP_WINANSI);
    HSZ topicHandle =
        topic.IsBlank() ? nullptr : DdeCreateStringHandleA(instance, topic, CP_WINANSI);
    conversation = DdeConnect(instance, serviceHandle, topicHandle, nullptr);
    if (serviceHandle)
        DdeFreeStringHandle(instance, serviceHandle);
    if (topicHandle)
        DdeFreeStringHandle(instance, topicHandle);
    return conversation != nullptr;
}

bool xdde::DdeExecute(const char* text, UINT transaction, UINT format)
{
    if (!instance || !conversation || !text)
        return false;
    DWORD length = DWORD(std::strlen(text)) + 1;
    HDDEDATA data = DdeCreateDataHandle(instance, reinterpret_cast<LPBYTE>(const_cast<char*>(text)),
                                        length, 0, nullptr, format, 0);
    if (!data)
        return false;
    // The data handle belongs to the system once the transaction has it.
    HDDEDATA result = DdeClientTransaction(reinterpret_cast<LPBYTE>(data), DWORD(-1),
                                           conversation, nullptr, format, transaction, 10000,
                                           nullptr);
    return result != nullptr;
}

void xdde::Disconnect()
{
    if (conversation)
        DdeDisconnect(conversation);
    conversation = nullptr;
}
