#pragma once
// xdde: one DDE conversation of the installer with a server (the shell's
// Program Manager), over the application's DDE instance.

#include "xstring.h"

#include <windows.h>
#include <ddeml.h>

class xdde {
public:
    xdde();
    ~xdde();
    xdde(const xdde&) = delete;
    xdde& operator=(const xdde&) = delete;

    // A blank service or topic matches any.
    bool DdeConnectService();
    // Sends the text with its terminating zero; waits at most 10 s.
    bool DdeExecute(const char* text, UINT transaction, UINT format);
    void Disconnect();

    DWORD instance;
    HCONV conversation = nullptr;
    xstring service;
    xstring topic;
};
