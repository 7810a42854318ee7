#include "linklock.h"

#include "brisal.h"
#include "linksender.h"

LinkLock& LinkLibraryLock()
{
    static LinkLock lock;
    return lock;
}

namespace ecrlink {

using Hold = std::lock_guard<LinkLock>;

int ConnectSerial(int port, int baud)
{
    Hold hold(LinkLibraryLock());
    return ecr_conn_xonxoff_ser(port, baud, 0);
}

int DisconnectSerial(int port)
{
    Hold hold(LinkLibraryLock());
    return ecr_disc_xonxoff_ser(port);
}

int Status(const std::string& ip, int* scoFis)
{
    Hold hold(LinkLibraryLock());
    *scoFis = 0;
    return ecr_get_status(ip.c_str(), nullptr, scoFis);
}

int ConnectNetwork(const std::string& ip)
{
    Hold hold(LinkLibraryLock());
    return ecr_conn_xonxoff_ntw(ip.c_str());
}

int DisconnectNetwork(int socket)
{
    Hold hold(LinkLibraryLock());
    return ecr_disc_xonxoff_ntw(socket);
}

std::string ErrorText(int code)
{
    Hold hold(LinkLibraryLock());
    return LinkErrorText(code);
}

std::string Version()
{
    static const std::string version = [] {
        Hold hold(LinkLibraryLock());
        char text[40] = {};
        ecr_get_ver(text);
        text[sizeof text - 1] = '\0';
        return std::string(text);
    }();
    return version;
}

}  // namespace ecrlink
