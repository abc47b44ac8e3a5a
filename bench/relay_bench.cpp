// The relay's handling of MSG_VOICE with 16 admitted sessions over real loopback sockets:
// one receive and sixteen sends per datagram. Sending the voice and draining the copies
// happen outside the timed part.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "conference/relay_server.h"
#include "platform/event_loop.h"

namespace {

constexpr int BATCH = 8;

struct Participant {
    int fd = -1;
    uint32_t key = 0;
};

int openParticipant(int index)
{
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK + static_cast<uint32_t>(index));
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    return fd;
}

void sendMessage(const Participant& participant, uint8_t type, const uint8_t* payload, size_t length, int port)
{
    uint8_t datagram[MAX_DATAGRAM] = {};
    writeHeader(datagram, PacketHeader{PACKET_MAGIC, participant.key, type});
    std::memcpy(datagram + HEADER_SIZE, payload, length);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<uint16_t>(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(participant.fd, datagram, HEADER_SIZE + length, 0, reinterpret_cast<const sockaddr*>(&server),
             sizeof server);
}

void waitReadable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    ::poll(&entry, 1, 1000);
}

void drain(const Participant& participant)
{
    uint8_t buffer[MAX_DATAGRAM];
    while (::recv(participant.fd, buffer, sizeof buffer, MSG_DONTWAIT) >= 0) {
    }
}

void BM_RelayVoiceToSixteen(benchmark::State& state)
{
    RelayServer server;
    if (server.Open(nullptr, 0) != 0) {
        state.SkipWithError("cannot open the server socket");
        return;
    }
    const int port = server.localPort();
    Participant participants[SLOT_COUNT];
    uint8_t nickname[NICKNAME_SIZE] = {'b', 'e', 'n', 'c', 'h'};
    for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
        participants[slot] =
            Participant{openParticipant(static_cast<int>(slot) + 1), 1000u + static_cast<uint32_t>(slot)};
        sendMessage(participants[slot], MSG_JOIN, nickname, NICKNAME_SIZE, port);
        waitReadable(server.handle());
        server.HandleServerSocket(FD_READ);
    }
    for (const Participant& participant : participants)
        drain(participant);

    uint8_t frame[VOICE_PAYLOAD_SIZE];
    for (size_t index = 0; index < sizeof frame; ++index)
        frame[index] = static_cast<uint8_t>(index * 7);

    for (auto _ : state) {
        state.PauseTiming();
        for (int copy = 0; copy < BATCH; ++copy)
            sendMessage(participants[copy % SLOT_COUNT], MSG_VOICE, frame, sizeof frame, port);
        waitReadable(server.handle());
        state.ResumeTiming();
        for (int copy = 0; copy < BATCH; ++copy)
            server.HandleServerSocket(FD_READ);
        state.PauseTiming();
        for (const Participant& participant : participants)
            drain(participant);
        state.ResumeTiming();
    }
    const double received = static_cast<double>(state.iterations()) * BATCH;
    state.counters["time_per_datagram_received"] =
        benchmark::Counter(received, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["time_per_datagram_sent"] =
        benchmark::Counter(received * SLOT_COUNT, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    for (const Participant& participant : participants)
        ::close(participant.fd);
}
BENCHMARK(BM_RelayVoiceToSixteen)->UseRealTime();

}
