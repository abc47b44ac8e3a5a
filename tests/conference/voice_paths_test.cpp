// The two voice paths of the participant: a captured block out to the server with the send
// mute, and a received frame to its slot's channel with the receive mutes.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "audio/playback_channel.h"
#include "codec/adpcm_codec.h"
#include "conference/voice_playback.h"
#include "conference/voice_sending.h"
#include "net/link_endpoint.h"
#include "resources/control_ids.h"
#include "tests/conference/participant_harness.h"

class VoiceSendingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(link.Open(nullptr, 0, 0), 0);
        ASSERT_EQ(link.AddSession(server.address(), KEY), 0);
    }

    // Sends one block and returns the datagram that reached the server.
    Bytes send(Bytes pcm)
    {
        sendVoiceBlock(pcm.data(), static_cast<int>(pcm.size()), coder, mutes, link, recorder);
        ReceivedDatagram received;
        EXPECT_TRUE(server.receive(received));
        EXPECT_EQ(received.code(), wireCode(0, TYPE_VOICE));
        EXPECT_EQ(received.sessionKey(), KEY);
        EXPECT_EQ(received.bytes.size(), 12u + 254u);
        return Bytes(received.bytes.begin() + 12, received.bytes.end());
    }

    static constexpr uint32_t KEY = 0x1234ABCD;
    UdpPeer server{"127.0.0.1"};
    LinkEndpoint link{5};
    AdpcmCoder coder;
    MuteFlags mutes;
    RecordingView recorder;
};

TEST_F(VoiceSendingTest, TheOwnMeterShowsTheLevelOfTheFrameSent)
{
    const Bytes frame = send(loudPcmBlock());
    EXPECT_GT(frame[3], 80);
    EXPECT_EQ(recorder.calls,
              std::vector<std::string>{"meter " + std::to_string(IDC_SEND_METER) + " " + std::to_string(frame[3])});
}

TEST_F(VoiceSendingTest, MutedTheFrameIsSilenceAndTheNextUnmutedOneStartsFromAResetCoder)
{
    const Bytes first = send(loudPcmBlock());
    ASSERT_NE(coder.stepIndex, 0) << "a loud block moves the coder on";

    mutes.master[SEND_MUTE_ENTRY] = 1;
    EXPECT_EQ(send(loudPcmBlock()), Bytes(254, 0));
    EXPECT_EQ(recorder.meters[IDC_SEND_METER], 0);
    EXPECT_EQ(coder.predictor, 0);
    EXPECT_EQ(coder.stepIndex, 0);

    mutes.master[SEND_MUTE_ENTRY] = 0;
    const Bytes next = send(loudPcmBlock());
    EXPECT_EQ(next, first) << "the same block from the same starting state";
    EXPECT_EQ(Bytes(next.begin(), next.begin() + 3), Bytes(3, 0)) << "predictor 0, step index 0";
}

TEST_F(VoiceSendingTest, APartlyFilledBufferIsNeitherSentNorMetered)
{
    Bytes pcm = loudPcmBlock();
    sendVoiceBlock(pcm.data(), 998, coder, mutes, link, recorder);
    EXPECT_TRUE(server.staysSilent());
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(coder.stepIndex, 0);
}

class VoicePlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Bytes pcm = loudPcmBlock();
        AdpcmCoder encoder;
        int16_t samples[500];
        std::memcpy(samples, pcm.data(), sizeof samples);
        encoder.encode(frame, samples, 500, 0);
        ASSERT_GT(frame.level, 0);
    }

    bool play(int slot) { return playback.receive(frame, slot); }

    EventLoop loop;
    PlaybackChannel channels[SLOT_COUNT];
    MuteFlags mutes;
    RecordingView recorder;
    VoicePlayback playback{loop, channels, mutes, recorder};
    VoiceFrame frame{};
};

TEST_F(VoicePlaybackTest, MutesDecideTheWritingButEveryMeterMoves)
{
    EXPECT_TRUE(play(3));

    mutes.slotMute[3] = 1;
    EXPECT_FALSE(play(3));
    EXPECT_TRUE(play(4)) << "only the muted slot is silent";

    mutes.master[RECEIVE_MUTE_ENTRY] = 1;
    EXPECT_FALSE(play(4));
    EXPECT_FALSE(play(0));

    mutes.master[SEND_MUTE_ENTRY] = 1;
    mutes.master[RECEIVE_MUTE_ENTRY] = 0;
    EXPECT_TRUE(play(0)) << "the send mute has no say here";

    const auto meter = [&](int slot) {
        return "meter " + std::to_string(IDC_SLOT_METER_BASE + slot) + " " + std::to_string(frame.level);
    };
    EXPECT_EQ(recorder.calls, (std::vector<std::string>{meter(3), meter(3), meter(4), meter(4), meter(0), meter(0)}));
}

TEST_F(VoicePlaybackTest, AFrameWithAnImpossibleStepIndexIsDroppedWhole)
{
    frame.stepIndex = 89;
    EXPECT_FALSE(play(2));
    EXPECT_TRUE(recorder.calls.empty()) << "its level is not trusted either";

    frame.stepIndex = 88;
    EXPECT_TRUE(play(2));
}

TEST_F(VoicePlaybackTest, ALevelBeyondFullScaleShowsAsFullScale)
{
    frame.level = 200;
    play(9);
    EXPECT_EQ(recorder.meters[IDC_SLOT_METER_BASE + 9], 96);
}
