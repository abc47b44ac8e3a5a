#pragma once
// The system's socket interface: BSD sockets.

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
