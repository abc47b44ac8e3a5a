// Voice goes only to sessions whose own traffic pays for it: a session that only pings is cut
// off once its allowance is spent, talkers hear everything, a freed slot starts afresh, and
// fresh allowances run out when sessions join again and again.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "relay_server_fixture.h"

namespace {

constexpr size_t VOICE_RELAY_BYTES = HEADER_SIZE + VOICE_PAYLOAD_SIZE;

class RelayBudgetTest : public RelayServerFixture {
protected:
    // Pings and counts the voice copies that arrive before the pong: every copy sent so far.
    size_t voiceBeforePong(const KeyedPeer& peer)
    {
        ping(peer);
        size_t frames = 0;
        ReceivedDatagram next;
        while (peer.socket.receive(next) && codeType(next.code()) != MSG_PONG)
            frames += codeType(next.code()) == MSG_VOICE_RELAY ? 1 : 0;
        EXPECT_EQ(codeType(next.code()), MSG_PONG);
        return frames;
    }

    void speak(const KeyedPeer& speaker, uint8_t seed)
    {
        speaker.send(port, MSG_VOICE, wireVoiceFrame(seed));
        handleNext();
    }
};

size_t countVoice(const std::vector<ReceivedDatagram>& datagrams)
{
    size_t frames = 0;
    for (const ReceivedDatagram& datagram : datagrams) {
        if (codeType(datagram.code()) == MSG_VOICE_RELAY)
            ++frames;
    }
    return frames;
}

TEST_F(RelayBudgetTest, PingOnlySessionGetsItsAllowanceAndThenOnlyWhatItsPingsEarn)
{
    // The pinger holds slot 0, so its copy of a frame goes out before the talker's.
    KeyedPeer pinger("127.0.0.2", 1);
    KeyedPeer talker("127.0.0.3", 2);
    join(pinger, "pinger");
    join(talker, "talker");
    pinger.socket.drain(3);
    talker.socket.drain(2);

    constexpr int CYCLES = 50;
    constexpr int FRAMES_PER_CYCLE = 32;
    size_t pingerFrames = 0;
    size_t pingBytes = 0;
    for (int cycle = 0; cycle < CYCLES; ++cycle) {
        for (int frame = 0; frame < FRAMES_PER_CYCLE; ++frame) {
            speak(talker, static_cast<uint8_t>(frame));
            ASSERT_EQ(countVoice(talker.socket.drain(1)), 1u) << "cycle " << cycle << " frame " << frame;
        }
        pingerFrames += voiceBeforePong(pinger);
        pingBytes += HEADER_SIZE;
    }

    const size_t paidFor =
        static_cast<size_t>(SendBudget::START_ALLOWANCE) + static_cast<size_t>(SendBudget::CREDIT_FACTOR) * pingBytes;
    const size_t pingerBytes = pingerFrames * VOICE_RELAY_BYTES;
    ASSERT_LT(paidFor, CYCLES * FRAMES_PER_CYCLE * VOICE_RELAY_BYTES) << "the run must outlast the budget";
    EXPECT_LE(pingerBytes, paidFor);
    // What the last ping earned had no frame left to pay for; all the rest was spent.
    const size_t spendable = paidFor - static_cast<size_t>(SendBudget::CREDIT_FACTOR) * HEADER_SIZE;
    EXPECT_GT(pingerBytes + VOICE_RELAY_BYTES, spendable);

    // A newcomer in the freed slot hears the next frame: nothing of the spent budget is left over.
    pinger.send(port, MSG_LEAVE);
    handleNext();
    KeyedPeer newcomer("127.0.0.4", 3);
    join(newcomer, "newcomer");
    std::vector<ReceivedDatagram> welcomed = newcomer.socket.drain(2);
    ASSERT_EQ(welcomed.size(), 2u);
    EXPECT_EQ(welcomed[1].code(), makeCode(0, MSG_WELCOME));
    talker.socket.drain(2);
    speak(talker, 1);
    EXPECT_EQ(voiceBeforePong(newcomer), 1u);
}

TEST_F(RelayBudgetTest, JoiningAgainUnderNewKeysDrawsNoAllowanceBeyondTheReserve)
{
    KeyedPeer talker("127.0.0.2", 1);
    join(talker, "talker");
    talker.socket.drain(2);
    uint32_t key = 100;
    for (int32_t drawn = SendBudget::START_ALLOWANCE; drawn < SendBudget::RESERVE_CAP;
         drawn += SendBudget::START_ALLOWANCE) {
        KeyedPeer churner("127.0.0.3", key++);
        join(churner, "churner");
        churner.send(port, MSG_LEAVE);
        handleNext();
    }
    talker.socket.drain();

    // The reserve is empty: a newcomer hears nothing until its own first frame pays for it.
    KeyedPeer late("127.0.0.4", key++);
    join(late, "late");
    speak(talker, 1);
    EXPECT_EQ(voiceBeforePong(late), 0u);
    speak(late, 2);
    speak(talker, 3);
    EXPECT_EQ(voiceBeforePong(late), 2u);
    late.send(port, MSG_LEAVE);
    handleNext();

    // A sweep refills it.
    server.SweepPeers();
    KeyedPeer refilled("127.0.0.5", key++);
    join(refilled, "refilled");
    speak(talker, 4);
    EXPECT_EQ(voiceBeforePong(refilled), 1u);
    EXPECT_EQ(countVoice(talker.socket.drain()), 4u);
}

TEST_F(RelayBudgetTest, TalkersInAFullConferenceHearEveryFrameAcrossTwoSecondStallsOfTheirOwn)
{
    std::vector<std::unique_ptr<KeyedPeer>> peers;
    for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot) {
        peers.push_back(std::make_unique<KeyedPeer>("127.0.0." + std::to_string(10 + slot), 100 + slot));
        join(*peers.back(), "talker");
    }
    for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot)
        peers[slot]->socket.drain(SLOT_COUNT - slot + 1);

    // Slot 0 stalls right after the start, living on its allowance; slot 15 later, on its saving.
    auto stalled = [](size_t slot, int second) {
        return (slot == 0 && (second == 1 || second == 2)) || (slot == 15 && (second == 6 || second == 7));
    };
    constexpr int SECONDS = 9;
    for (int second = 0; second < SECONDS; ++second) {
        for (int frame = 0; frame < SendBudget::FRAMES_PER_SECOND; ++frame) {
            size_t speakers = 0;
            for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
                if (stalled(slot, second))
                    continue;
                speak(*peers[slot], static_cast<uint8_t>(slot));
                ++speakers;
            }
            for (size_t slot = 0; slot < SLOT_COUNT; ++slot)
                ASSERT_EQ(countVoice(peers[slot]->socket.drain(speakers)), speakers)
                    << "slot " << slot << " second " << second << " frame " << frame;
        }
        for (size_t slot = 0; slot < SLOT_COUNT; ++slot) {
            ping(*peers[slot]);
            ASSERT_EQ(peers[slot]->socket.drain(1).size(), 1u);
        }
        server.SweepPeers();
    }
}

}
