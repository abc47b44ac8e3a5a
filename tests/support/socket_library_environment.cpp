// Every test program that uses sockets starts the socket library before its first test and
// stops it after its last, as the programs' workers do.

#include <gtest/gtest.h>

#include "net/socket_library.h"

namespace {

class SocketLibraryEnvironment : public testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(0, startSocketLibrary()); }
    void TearDown() override { stopSocketLibrary(); }
};

const testing::Environment* const socketLibrary = testing::AddGlobalTestEnvironment(new SocketLibraryEnvironment);

}
