// voice-swarm HOST PORT COUNT [SECONDS]: COUNT simulated participants ("swarm-1" ...) talk
// through a relay server. Each has its own UDP socket and random session key, joins (MSG_JOIN
// every 2 s until MSG_WELCOME or the refusal), pings every second, and from its admission on
// sends one MSG_VOICE of real ADPCM frames of its own synthetic voice every 62.5 ms on
// absolute deadlines (the speakers' clocks are spread over one frame period). Everything
// received is drained and counted. After SECONDS (default: until SIGINT/SIGTERM) the voice
// stops, stragglers are drained for a moment, MSG_LEAVE goes out and a summary is printed:
// per participant what it sent and received, whether every member heard every frame of every
// member, the pacing error and the round trip of a member's own frames through the relay.
// Options after the numbers: --speech RAW makes swarm-1 say RAW (8000 Hz mono s16le, over
// and over) instead of its synthetic voice; --record FRAMES writes every voice frame swarm-1
// hears from a participant outside the swarm to FRAMES, 254 bytes each, in arrival order
// (adpcm-tool decode turns them into samples).

#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "codec/adpcm_codec.h"
#include "net/datagram_socket.h"
#include "net/resolve_address.h"
#include "net/wire_protocol.h"
#include "platform/random_key.h"
#include "platform/linux/command_line.h"
#include "tools/synthetic_speech.h"

namespace {

constexpr int MAX_MEMBERS = 64;
constexpr int64_t MS = 1000000;
constexpr int64_t FRAME_NS = 62500000;  // 500 samples at 8000 Hz
constexpr int64_t JOIN_RETRY_NS = 2000 * MS;
constexpr int64_t PING_NS = 1000 * MS;
constexpr int64_t DRAIN_NS = 300 * MS;  // after the last frame, for relayed copies still in flight
constexpr int64_t LATE_NS = 5 * MS;
constexpr int SENT_RING = 32;  // own frames remembered for the round trip
constexpr int RTT_BUCKET_US = 20;
constexpr int RTT_BUCKETS = 10000;  // up to 200 ms

int64_t nowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint64_t frameHash(const uint8_t* bytes, size_t length)
{
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < length; ++i)
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    return hash;
}

struct SentFrame {
    uint64_t hash = 0;
    int64_t sentNs = 0;
};

struct Counters {
    uint64_t joins = 0, voiceSent = 0, pings = 0;
    uint64_t welcomes = 0, refusals = 0, peerNames = 0, peerLefts = 0, pongs = 0, relays = 0, ownRelays = 0;
    uint64_t otherTypes = 0, rejected = 0;  // rejected: wrong magic, key or source address
    uint64_t datagrams = 0;
};

struct Member {
    DatagramSocket socket;
    uint32_t key = 0;
    uint8_t nickname[NICKNAME_SIZE] = {};
    int slot = -1;
    bool refused = false;
    int64_t nextJoinNs = 0;
    int64_t nextPingNs = 0;
    int64_t voiceAnchorNs = 0;  // deadline of frame 0; frame k is due at anchor + k * FRAME_NS
    AdpcmCoder coder;
    SyntheticSpeech speech;
    SentFrame sent[SENT_RING];
    uint64_t relaysFromSlot[SLOT_COUNT] = {};
    Counters count;
};

struct Swarm {
    Member members[MAX_MEMBERS];
    int memberCount = 0;
    SocketAddress server{};
    int64_t startNs = 0;
    int64_t voiceEndNs = 0;  // INT64_MAX: until a signal
    bool voiceStopped = false;
    int64_t leaveNs = INT64_MAX;
    int64_t maxLatenessNs = 0;
    uint64_t lateFrames = 0;
    uint32_t rtt[RTT_BUCKETS + 1] = {};
    uint64_t rttCount = 0;
    int64_t rttMaxNs = 0;
};

Swarm swarm;
uint8_t datagram[MAX_DATAGRAM + 1];

// --speech and --record: what swarm-1 says, and where it keeps what it hears from outside.
struct FirstMember {
    int16_t* speech = nullptr;
    size_t speechLength = 0;
    size_t speechPosition = 0;
    FILE* record = nullptr;
};
FirstMember first;

bool loadSpeech(const char* path)
{
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    std::fseek(file, 0, SEEK_END);
    const long bytes = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    first.speechLength = bytes > 0 ? static_cast<size_t>(bytes) / sizeof(int16_t) : 0;
    first.speech = first.speechLength > 0 ? new int16_t[first.speechLength] : nullptr;
    const bool read = first.speech != nullptr &&
                      std::fread(first.speech, sizeof(int16_t), first.speechLength, file) == first.speechLength;
    std::fclose(file);
    return read;
}

void renderSpeech(Member& member, int16_t* samples)
{
    if (&member != &swarm.members[0] || first.speech == nullptr) {
        member.speech.render(samples, SAMPLES_PER_FRAME);
        return;
    }
    for (int index = 0; index < SAMPLES_PER_FRAME; ++index) {
        samples[index] = first.speech[first.speechPosition];
        first.speechPosition = (first.speechPosition + 1) % first.speechLength;
    }
}

bool isSwarmSlot(uint32_t slot)
{
    for (int i = 0; i < swarm.memberCount; ++i)
        if (swarm.members[i].slot == static_cast<int>(slot))
            return true;
    return false;
}

void send(Member& member, MessageType type, const uint8_t* payload, size_t length)
{
    writeHeader(datagram, PacketHeader{PACKET_MAGIC, member.key, makeCode(0, type)});
    if (length > 0)
        std::memcpy(datagram + HEADER_SIZE, payload, length);
    member.socket.SendTo(datagram, HEADER_SIZE + length, swarm.server);
}

void sendVoiceFrame(Member& member, int64_t now)
{
    int16_t samples[SAMPLES_PER_FRAME];
    VoiceFrame frame;
    renderSpeech(member, samples);
    member.coder.encode(frame, samples, SAMPLES_PER_FRAME, 0);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&frame);
    send(member, MSG_VOICE, bytes, VOICE_FRAME_SIZE);
    member.sent[member.count.voiceSent % SENT_RING] = SentFrame{frameHash(bytes, VOICE_FRAME_SIZE), now};
    ++member.count.voiceSent;
}

// Sends every frame whose deadline has come; a late loop catches up as a capture device would.
void sendDueVoice(Member& member, int64_t now)
{
    if (member.slot < 0 || swarm.voiceStopped)
        return;
    for (;;) {
        const int64_t deadline = member.voiceAnchorNs + static_cast<int64_t>(member.count.voiceSent) * FRAME_NS;
        if (deadline > now || deadline >= swarm.voiceEndNs)
            return;
        const int64_t lateness = now - deadline;
        swarm.maxLatenessNs = std::max(swarm.maxLatenessNs, lateness);
        if (lateness > LATE_NS)
            ++swarm.lateFrames;
        sendVoiceFrame(member, now);
    }
}

void runDueActions(int64_t now)
{
    for (int i = 0; i < swarm.memberCount; ++i) {
        Member& member = swarm.members[i];
        if (member.slot < 0 && !member.refused && now >= member.nextJoinNs) {
            send(member, MSG_JOIN, member.nickname, NICKNAME_SIZE);
            ++member.count.joins;
            member.nextJoinNs += JOIN_RETRY_NS;
        }
        if (!member.refused && now >= member.nextPingNs) {
            send(member, MSG_PING, nullptr, 0);
            ++member.count.pings;
            member.nextPingNs += PING_NS;
        }
        sendDueVoice(member, now);
    }
}

int64_t nextDeadline()
{
    int64_t next = swarm.leaveNs;
    if (!swarm.voiceStopped)
        next = std::min(next, swarm.voiceEndNs);
    for (int i = 0; i < swarm.memberCount; ++i) {
        const Member& member = swarm.members[i];
        if (member.refused)
            continue;
        next = std::min(next, member.nextPingNs);
        if (member.slot < 0)
            next = std::min(next, member.nextJoinNs);
        else if (!swarm.voiceStopped)
            next = std::min(next, member.voiceAnchorNs + static_cast<int64_t>(member.count.voiceSent) * FRAME_NS);
    }
    return next;
}

void recordRoundTrip(Member& member, const uint8_t* payload, int64_t now)
{
    const uint64_t hash = frameHash(payload, VOICE_FRAME_SIZE);
    // Newest first: silent frames repeat, and the copy of the latest one is the one arriving.
    for (uint64_t back = 1; back <= SENT_RING && back <= member.count.voiceSent; ++back) {
        const SentFrame& frame = member.sent[(member.count.voiceSent - back) % SENT_RING];
        if (frame.hash == hash) {
            const int64_t rtt = now - frame.sentNs;
            ++swarm.rtt[std::min<int64_t>(rtt / (RTT_BUCKET_US * 1000), RTT_BUCKETS)];
            ++swarm.rttCount;
            swarm.rttMaxNs = std::max(swarm.rttMaxNs, rtt);
            return;
        }
    }
}

void handleDatagram(Member& member, int length, const SocketAddress& source, int64_t now, int index)
{
    Counters& count = member.count;
    ++count.datagrams;
    const PacketHeader header = readHeader(datagram);
    if (length < static_cast<int>(HEADER_SIZE) || header.magic != PACKET_MAGIC || header.sessionKey != member.key ||
        source.sin_addr.s_addr != swarm.server.sin_addr.s_addr) {
        ++count.rejected;
        return;
    }
    const uint32_t slot = codeSlot(header.code);
    const uint8_t type = codeType(header.code);
    if (header.code == REFUSAL_CODE) {
        ++count.refusals;
        member.refused = true;
        return;
    }
    if (slot >= SLOT_COUNT || length < static_cast<int>(requiredLength(type))) {
        ++count.rejected;
        return;
    }
    switch (type) {
    case MSG_WELCOME:
        ++count.welcomes;
        if (member.slot < 0) {
            member.slot = static_cast<int>(slot);
            // Like a capture device, the first frame is ready one frame period after the start.
            member.voiceAnchorNs = now + FRAME_NS + FRAME_NS * index / swarm.memberCount;
        }
        break;
    case MSG_PEER_NAME:
        ++count.peerNames;
        break;
    case MSG_PEER_LEFT:
        ++count.peerLefts;
        break;
    case MSG_PONG:
        ++count.pongs;
        break;
    case MSG_VOICE_RELAY:
        ++count.relays;
        ++member.relaysFromSlot[slot];
        if (static_cast<int>(slot) == member.slot) {
            ++count.ownRelays;
            recordRoundTrip(member, datagram + HEADER_SIZE, now);
        } else if (first.record != nullptr && &member == &swarm.members[0] && !isSwarmSlot(slot)) {
            std::fwrite(datagram + HEADER_SIZE, 1, VOICE_FRAME_SIZE, first.record);
        }
        break;
    default:
        ++count.otherTypes;
        break;
    }
}

void drain(int index)
{
    Member& member = swarm.members[index];
    SocketAddress source{};
    for (int i = 0; i < 64; ++i) {
        const int length = member.socket.ReceiveFrom(datagram, MAX_DATAGRAM, source);
        if (length < 0)
            return;
        handleDatagram(member, length, source, nowNs(), index);
    }
}

void stopVoice(int64_t now)
{
    if (swarm.voiceStopped)
        return;
    swarm.voiceStopped = true;
    swarm.voiceEndNs = std::min(swarm.voiceEndNs, now);
    swarm.leaveNs = now + DRAIN_NS;
}

double rttPercentileMs(double fraction)
{
    const auto target = static_cast<uint64_t>(fraction * static_cast<double>(swarm.rttCount - 1));
    uint64_t seen = 0;
    for (int bucket = 0; bucket <= RTT_BUCKETS; ++bucket) {
        seen += swarm.rtt[bucket];
        if (seen > target)
            return (bucket + 0.5) * RTT_BUCKET_US / 1000.0;
    }
    return 0;
}

void printSummary(int64_t voiceNs)
{
    std::printf("voice-swarm: %d members, %.2f s of voice\n", swarm.memberCount, static_cast<double>(voiceNs) / 1e9);
    std::printf("%-9s %4s %5s %6s %5s %5s %5s %5s %8s %6s %8s %7s %6s\n", "member", "slot", "joins", "voice", "pings",
                "pongs", "names", "lefts", "relays", "own", "heard", "of", "other");
    uint64_t totalSent = 0, totalRelays = 0, missing = 0;
    int admitted = 0, refused = 0;
    for (int m = 0; m < swarm.memberCount; ++m) {
        const Member& member = swarm.members[m];
        totalSent += member.count.voiceSent;
        totalRelays += member.count.relays;
        admitted += member.slot >= 0;
        refused += member.refused;
        // Frames of the members heard by this member, against what those members sent.
        uint64_t heard = 0, expected = 0;
        for (int n = 0; n < swarm.memberCount; ++n) {
            const Member& speaker = swarm.members[n];
            if (member.slot < 0 || speaker.slot < 0)
                continue;
            heard += member.relaysFromSlot[speaker.slot];
            expected += speaker.count.voiceSent;
        }
        missing += expected > heard ? expected - heard : 0;
        const uint64_t other = member.count.relays - heard;  // from speakers outside the swarm
        std::printf("swarm-%-3d %4d %5llu %6llu %5llu %5llu %5llu %5llu %8llu %6llu %8llu %7llu %6llu\n", m + 1,
                    member.slot, static_cast<unsigned long long>(member.count.joins),
                    static_cast<unsigned long long>(member.count.voiceSent),
                    static_cast<unsigned long long>(member.count.pings),
                    static_cast<unsigned long long>(member.count.pongs),
                    static_cast<unsigned long long>(member.count.peerNames),
                    static_cast<unsigned long long>(member.count.peerLefts),
                    static_cast<unsigned long long>(member.count.relays),
                    static_cast<unsigned long long>(member.count.ownRelays), static_cast<unsigned long long>(heard),
                    static_cast<unsigned long long>(expected), static_cast<unsigned long long>(other));
        if (member.count.rejected > 0 || member.count.otherTypes > 0)
            std::printf("          rejected %llu, other types %llu\n",
                        static_cast<unsigned long long>(member.count.rejected),
                        static_cast<unsigned long long>(member.count.otherTypes));
    }
    std::printf(
        "admitted %d, refused %d; voice frames sent %llu (%.2f per member per second), relayed copies "
        "received %llu\n",
        admitted, refused, static_cast<unsigned long long>(totalSent),
        admitted > 0 && voiceNs > 0 ? static_cast<double>(totalSent) / admitted / (static_cast<double>(voiceNs) / 1e9)
                                    : 0.0,
        static_cast<unsigned long long>(totalRelays));
    std::printf("member-to-member copies missing: %llu\n", static_cast<unsigned long long>(missing));
    std::printf("pacing: latest send %.3f ms after its deadline, %llu frames later than %lld ms\n",
                static_cast<double>(swarm.maxLatenessNs) / 1e6, static_cast<unsigned long long>(swarm.lateFrames),
                static_cast<long long>(LATE_NS / MS));
    if (swarm.rttCount > 0)
        std::printf("own frame round trip through the relay: median %.2f ms, p99 %.2f ms, max %.2f ms (%llu frames)\n",
                    rttPercentileMs(0.5), rttPercentileMs(0.99), static_cast<double>(swarm.rttMaxNs) / 1e6,
                    static_cast<unsigned long long>(swarm.rttCount));
}

int fail(const char* what)
{
    std::fprintf(stderr, "voice-swarm: %s: %s\n", what, std::strerror(errno));
    return 1;
}

bool watch(int epoll, int fd, uint32_t tag)
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u32 = tag;
    return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

}

int main(int argc, char** argv)
{
    int32_t port = 0, count = 0, seconds = 0;
    int numbers = 1;
    while (numbers < argc && std::strncmp(argv[numbers], "--", 2) != 0)
        ++numbers;
    for (int index = numbers; index < argc; index += 2) {
        const bool valued = index + 1 < argc;
        if (valued && std::strcmp(argv[index], "--speech") == 0) {
            if (!loadSpeech(argv[index + 1]))
                return fail("cannot read the --speech file");
        } else if (valued && std::strcmp(argv[index], "--record") == 0) {
            if ((first.record = std::fopen(argv[index + 1], "wb")) == nullptr)
                return fail("cannot write the --record file");
        } else {
            numbers = 0;
        }
    }
    if (numbers < 4 || numbers > 5 || !parseNumber(argv[2], 1, 65535, port) ||
        !parseNumber(argv[3], 1, MAX_MEMBERS, count) || (numbers == 5 && !parseNumber(argv[4], 1, 86400, seconds))) {
        std::fprintf(stderr,
                     "usage: voice-swarm HOST PORT COUNT [SECONDS] [--speech RAW] [--record FRAMES]   (COUNT 1..%d)\n",
                     MAX_MEMBERS);
        return 2;
    }
    if (ResolveAddress(argv[1], static_cast<int>(port), swarm.server) != 0) {
        std::fprintf(stderr, "voice-swarm: cannot resolve %s\n", argv[1]);
        return 1;
    }

    const sigset_t stopSignals = blockStopSignals();
    const int signals = signalfd(-1, &stopSignals, SFD_NONBLOCK | SFD_CLOEXEC);
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    if (signals < 0 || timer < 0 || epoll < 0)
        return fail("cannot set up signals, timer or epoll");
    constexpr uint32_t SIGNAL_TAG = MAX_MEMBERS, TIMER_TAG = MAX_MEMBERS + 1;
    if (!watch(epoll, signals, SIGNAL_TAG) || !watch(epoll, timer, TIMER_TAG))
        return fail("epoll_ctl");

    swarm.memberCount = static_cast<int>(count);
    swarm.startNs = nowNs();
    swarm.voiceEndNs = numbers == 5 ? swarm.startNs + seconds * 1000 * MS : INT64_MAX;
    for (int i = 0; i < swarm.memberCount; ++i) {
        Member& member = swarm.members[i];
        if (member.socket.Open(nullptr, 0, 0) != 0)
            return fail("cannot open a UDP socket");
        if (!watch(epoll, member.socket.handle(), static_cast<uint32_t>(i)))
            return fail("epoll_ctl");
        do
            member.key = randomSessionKey();
        while (member.key == 0);
        std::snprintf(reinterpret_cast<char*>(member.nickname), NICKNAME_SIZE, "swarm-%u",
                      static_cast<unsigned>(static_cast<uint8_t>(i + 1)));
        member.speech = SyntheticSpeech(static_cast<uint32_t>(i + 1));
        member.nextJoinNs = swarm.startNs;
        member.nextPingNs = swarm.startNs + PING_NS;
    }

    for (;;) {
        int64_t now = nowNs();
        if (!swarm.voiceStopped && now >= swarm.voiceEndNs)
            stopVoice(now);
        if (now >= swarm.leaveNs)
            break;
        runDueActions(now);

        itimerspec due{};
        const int64_t next = nextDeadline();
        due.it_value.tv_sec = static_cast<time_t>(next / 1000000000);
        due.it_value.tv_nsec = static_cast<long>(next % 1000000000);
        timerfd_settime(timer, TFD_TIMER_ABSTIME, &due, nullptr);

        epoll_event events[MAX_MEMBERS + 2];
        const int ready = epoll_wait(epoll, events, MAX_MEMBERS + 2, -1);
        if (ready < 0 && errno != EINTR)
            return fail("epoll_wait");
        for (int e = 0; e < ready; ++e) {
            const uint32_t tag = events[e].data.u32;
            if (tag == SIGNAL_TAG) {
                signalfd_siginfo info;
                while (read(signals, &info, sizeof info) == sizeof info) {
                    // A second signal skips the drain.
                    if (swarm.voiceStopped)
                        swarm.leaveNs = 0;
                    stopVoice(nowNs());
                }
            } else if (tag == TIMER_TAG) {
                uint64_t expiries;
                [[maybe_unused]] ssize_t ignored = read(timer, &expiries, sizeof expiries);
            } else {
                drain(static_cast<int>(tag));
            }
        }
    }

    for (int i = 0; i < swarm.memberCount; ++i) {
        Member& member = swarm.members[i];
        if (member.slot >= 0)
            send(member, MSG_LEAVE, nullptr, 0);
    }
    const int64_t firstAnchor = INT64_MAX;
    int64_t voiceStart = firstAnchor;
    for (int i = 0; i < swarm.memberCount; ++i)
        if (swarm.members[i].slot >= 0)
            voiceStart = std::min(voiceStart, swarm.members[i].voiceAnchorNs);
    printSummary(voiceStart == firstAnchor ? 0 : swarm.voiceEndNs - voiceStart);
    if (first.record != nullptr)
        std::fclose(first.record);
    close(epoll);
    close(timer);
    close(signals);
    return 0;
}
