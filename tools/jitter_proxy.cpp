// jitter-proxy LISTEN_PORT RELAY_PORT [options]: a UDP proxy on 127.0.0.1 between participants
// (they connect to LISTEN_PORT) and a relay on 127.0.0.1:RELAY_PORT, which impairs the voice
// the relay sends to the participants (MSG_VOICE_RELAY) the way a real network and real sound
// cards do; everything else passes straight through. Options (all off by default):
//   --jitter MS        each voice datagram waits a uniform 0..MS ms
//   --loss PERCENT     that share of voice datagrams is lost
//   --reorder PERCENT  that share of voice datagrams is held back behind the next one
//   --stall AT:FOR[:APART]  from AT ms after the start, voice is held for FOR ms, then sent at
//                      once, or APART ms one after the other (a loaded receiver catching up)
//   --clock PERCENT    each speaker's clock runs PERCENT fast (negative: slow), -5..5
//   --seed N           seeds the random choices (default 1)
//   --duration S       ends after S seconds (default 600)
// At the end one line on standard error counts what was forwarded, lost and reordered.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "net/wire_protocol.h"
#include "tools/clock_skew.h"
#include "platform/linux/command_line.h"

namespace {

constexpr int MAX_CLIENTS = 16;
constexpr int MAX_PENDING = 1024;
constexpr int64_t FRAME_USEC = 62500;

struct Options {
    int32_t listenPort = 0;
    int32_t relayPort = 0;
    int32_t jitterMs = 0;
    double lossPercent = 0;
    double reorderPercent = 0;
    int32_t stallAtMs = -1;
    int32_t stallForMs = 0;
    int32_t stallApartMs = 0;
    double clockPercent = 0;
    int32_t seed = 1;
    int32_t durationS = 600;
};

struct Client {
    sockaddr_in address{};
    int upstream = -1;  // a socket of its own toward the relay, so that answers find their way back
    ClockSkew skews[SLOT_COUNT];
};

struct Pending {
    bool used = false;
    int64_t dueUsec = 0;
    uint64_t order = 0;  // keeps datagrams due at the same moment in arrival order
    int client = 0;
    size_t length = 0;
    uint8_t bytes[MAX_DATAGRAM];
};

Client clients[MAX_CLIENTS];
Pending pending[MAX_PENDING];
uint64_t pendingOrder = 0;

int64_t nowUsec()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool parsePercent(const char* text, double low, double high, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value >= low && value <= high;
}

bool parseArguments(int argc, char** argv, Options& options)
{
    if (argc < 3 || !parseNumber(argv[1], 1, 65535, options.listenPort) ||
        !parseNumber(argv[2], 1, 65535, options.relayPort))
        return false;
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 == argc)
            return false;
        const char* name = argv[i];
        const char* value = argv[i + 1];
        bool good = false;
        if (std::strcmp(name, "--jitter") == 0)
            good = parseNumber(value, 0, 10000, options.jitterMs);
        else if (std::strcmp(name, "--loss") == 0)
            good = parsePercent(value, 0, 100, options.lossPercent);
        else if (std::strcmp(name, "--reorder") == 0)
            good = parsePercent(value, 0, 100, options.reorderPercent);
        else if (std::strcmp(name, "--clock") == 0)
            good = parsePercent(value, -5, 5, options.clockPercent);
        else if (std::strcmp(name, "--seed") == 0)
            good = parseNumber(value, 0, INT32_MAX, options.seed);
        else if (std::strcmp(name, "--duration") == 0)
            good = parseNumber(value, 1, 86400, options.durationS);
        else if (std::strcmp(name, "--stall") == 0) {
            char at[16];
            char length[16];
            const char* colon = std::strchr(value, ':');
            const char* second = colon != nullptr ? std::strchr(colon + 1, ':') : nullptr;
            const char* lengthEnd = second != nullptr ? second : colon + std::strlen(colon);
            if (colon != nullptr && static_cast<size_t>(colon - value) < sizeof at &&
                static_cast<size_t>(lengthEnd - colon - 1) < sizeof length) {
                std::memcpy(at, value, static_cast<size_t>(colon - value));
                at[colon - value] = '\0';
                std::memcpy(length, colon + 1, static_cast<size_t>(lengthEnd - colon - 1));
                length[lengthEnd - colon - 1] = '\0';
                good = parseNumber(at, 0, 86400000, options.stallAtMs) &&
                       parseNumber(length, 1, 600000, options.stallForMs) &&
                       (second == nullptr || parseNumber(second + 1, 0, 1000, options.stallApartMs));
            }
        }
        if (!good)
            return false;
    }
    return true;
}

int openSocket(int32_t port)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    local.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The client slot of address, taken on its first datagram; -1 when all are taken.
int clientOf(const sockaddr_in& address)
{
    for (int i = 0; i < MAX_CLIENTS; ++i) {
        if (clients[i].upstream >= 0 && clients[i].address.sin_addr.s_addr == address.sin_addr.s_addr &&
            clients[i].address.sin_port == address.sin_port)
            return i;
    }
    for (int i = 0; i < MAX_CLIENTS; ++i) {
        if (clients[i].upstream < 0) {
            clients[i].upstream = openSocket(0);
            if (clients[i].upstream < 0)
                return -1;
            clients[i].address = address;
            return i;
        }
    }
    return -1;
}

bool schedule(int client, const uint8_t* bytes, size_t length, int64_t dueUsec)
{
    for (Pending& entry : pending) {
        if (!entry.used) {
            entry.used = true;
            entry.dueUsec = dueUsec;
            entry.order = pendingOrder++;
            entry.client = client;
            entry.length = length;
            std::memcpy(entry.bytes, bytes, length);
            return true;
        }
    }
    return false;
}

Pending* earliest()
{
    Pending* first = nullptr;
    for (Pending& entry : pending) {
        if (entry.used && (first == nullptr || entry.dueUsec < first->dueUsec ||
                           (entry.dueUsec == first->dueUsec && entry.order < first->order)))
            first = &entry;
    }
    return first;
}

struct Counts {
    uint64_t forwarded = 0;
    uint64_t lost = 0;
    uint64_t reordered = 0;
    uint64_t overflow = 0;
};

class Impairment {
public:
    Impairment(const Options& options, int64_t startUsec) : options_(options), start_(startUsec), random_(options.seed)
    {
    }

    // Schedules one voice datagram toward a participant (or loses it).
    void voice(int client, const uint8_t* bytes, size_t length, int64_t readyUsec, Counts& counts)
    {
        std::uniform_real_distribution<double> percent(0.0, 100.0);
        if (options_.lossPercent > 0 && percent(random_) < options_.lossPercent) {
            ++counts.lost;
            return;
        }
        int64_t due = readyUsec;
        if (options_.jitterMs > 0)
            due += std::uniform_int_distribution<int64_t>(0, options_.jitterMs * 1000)(random_);
        if (options_.reorderPercent > 0 && percent(random_) < options_.reorderPercent) {
            due += FRAME_USEC + 1000;
            ++counts.reordered;
        }
        if (options_.stallAtMs >= 0) {
            const int64_t stallFrom = start_ + options_.stallAtMs * 1000LL;
            const int64_t stallUntil = stallFrom + options_.stallForMs * 1000LL;
            if (due >= stallFrom && due < stallUntil)
                due = stallUntil + stalled_++ * options_.stallApartMs * 1000LL;
        }
        if (!schedule(client, bytes, length, due))
            ++counts.overflow;
    }

private:
    const Options& options_;
    int64_t start_;
    // Datagrams held by the stall so far, released in this order.
    int64_t stalled_ = 0;
    std::mt19937 random_;
};

void fromRelay(int client, uint8_t* bytes, size_t length, int64_t now, const Options& options, Impairment& impairment,
               Counts& counts)
{
    const bool voice = length >= HEADER_SIZE + VOICE_PAYLOAD_SIZE && readHeader(bytes).magic == PACKET_MAGIC &&
                       codeType(readHeader(bytes).code) == MSG_VOICE_RELAY;
    if (!voice) {
        schedule(client, bytes, length, now);
        return;
    }
    const uint32_t slot = codeSlot(readHeader(bytes).code);
    if (options.clockPercent == 0 || slot >= SLOT_COUNT) {
        impairment.voice(client, bytes, length, now, counts);
        return;
    }
    ClockSkew& skew = clients[client].skews[slot];
    VoiceFrame frame;
    std::memcpy(&frame, bytes + HEADER_SIZE, sizeof frame);
    skew.take(frame, now);
    int64_t due = 0;
    while (skew.next(frame, due)) {
        std::memcpy(bytes + HEADER_SIZE, &frame, sizeof frame);
        impairment.voice(client, bytes, HEADER_SIZE + VOICE_PAYLOAD_SIZE, due, counts);
    }
}

}

int main(int argc, char** argv)
{
    Options options;
    if (!parseArguments(argc, argv, options)) {
        std::fprintf(
            stderr,
            "usage: jitter-proxy LISTEN_PORT RELAY_PORT [--jitter MS] [--loss PERCENT] [--reorder PERCENT]\n"
            "         [--stall AT_MS:FOR_MS[:APART_MS]] [--clock PERCENT (-5..5)] [--seed N] [--duration S]\n");
        return 2;
    }
    const int listener = openSocket(options.listenPort);
    if (listener < 0) {
        std::fprintf(stderr, "jitter-proxy: cannot open UDP port %d: %s\n", options.listenPort, std::strerror(errno));
        return 1;
    }
    // TERM and INT are blocked and looked for between waits, so the counts are still printed.
    blockStopSignals();
    for (Client& client : clients)
        for (ClockSkew& skew : client.skews)
            skew.setPercent(options.clockPercent);
    sockaddr_in relay{};
    relay.sin_family = AF_INET;
    relay.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    relay.sin_port = htons(static_cast<uint16_t>(options.relayPort));

    const int64_t start = nowUsec();
    const int64_t end = start + options.durationS * 1000000LL;
    Impairment impairment(options, start);
    Counts counts;
    uint8_t bytes[MAX_DATAGRAM];
    for (;;) {
        sigset_t waiting;
        if (sigpending(&waiting) == 0 && (sigismember(&waiting, SIGTERM) || sigismember(&waiting, SIGINT)))
            break;
        int64_t now = nowUsec();
        if (now >= end)
            break;
        for (Pending* due = earliest(); due != nullptr && due->dueUsec <= now; due = earliest()) {
            sendto(listener, due->bytes, due->length, 0,
                   reinterpret_cast<const sockaddr*>(&clients[due->client].address), sizeof(sockaddr_in));
            ++counts.forwarded;
            due->used = false;
        }
        const Pending* next = earliest();
        int64_t waitUsec = std::min<int64_t>(end - now, 100000);
        if (next != nullptr)
            waitUsec = std::min(waitUsec, next->dueUsec - now);
        pollfd fds[1 + MAX_CLIENTS];
        int owners[1 + MAX_CLIENTS];
        nfds_t count = 0;
        fds[count] = {listener, POLLIN, 0};
        owners[count++] = -1;
        for (int i = 0; i < MAX_CLIENTS; ++i) {
            if (clients[i].upstream >= 0) {
                fds[count] = {clients[i].upstream, POLLIN, 0};
                owners[count++] = i;
            }
        }
        // Sub-millisecond waits are spun in poll(0) steps, so a datagram leaves on time.
        if (poll(fds, count, static_cast<int>(waitUsec / 1000)) <= 0)
            continue;
        now = nowUsec();
        for (nfds_t i = 0; i < count; ++i) {
            if ((fds[i].revents & POLLIN) == 0)
                continue;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t length =
                recvfrom(fds[i].fd, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (length <= 0)
                continue;
            if (owners[i] < 0) {
                const int client = clientOf(from);
                if (client >= 0)
                    sendto(clients[client].upstream, bytes, static_cast<size_t>(length), 0,
                           reinterpret_cast<const sockaddr*>(&relay), sizeof relay);
            } else {
                fromRelay(owners[i], bytes, static_cast<size_t>(length), now, options, impairment, counts);
            }
        }
    }
    std::fprintf(stderr, "jitter-proxy: forwarded %llu, lost %llu, reordered %llu, dropped for want of room %llu\n",
                 static_cast<unsigned long long>(counts.forwarded), static_cast<unsigned long long>(counts.lost),
                 static_cast<unsigned long long>(counts.reordered), static_cast<unsigned long long>(counts.overflow));
    for (Client& client : clients)
        if (client.upstream >= 0)
            close(client.upstream);
    close(listener);
    return 0;
}
