#include "net/socket_library.h"

// BSD sockets need no start.
int startSocketLibrary()
{
    return 0;
}

void stopSocketLibrary()
{
}
