#include "net/socket_library.h"

#include "net/socket_address.h"

int startSocketLibrary()
{
    WSADATA data;
    return ::WSAStartup(MAKEWORD(2, 2), &data) == 0 ? 0 : -1;
}

void stopSocketLibrary()
{
    ::WSACleanup();
}
