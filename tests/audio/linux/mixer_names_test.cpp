#include <gtest/gtest.h>

#include <string>

#include "audio/audio_system.h"
#include "audio/pcm_format.h"
#include "audio/playback_channel.h"
#include "pulse_tools.h"
#include "tests/audio/sound_server_tools.h"

namespace {

// The server applies a rename or a close a moment later: polls the mixer's listing.
template <class Condition>
bool pollListing(std::string& listing, Condition holds)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        listing = sinkInputListing();
        if (holds())
            return true;
        pause(50);
    }
    return false;
}

// The listing's block of the stream named mediaName ("" when there is none).
std::string streamBlock(const std::string& listing, const std::string& mediaName)
{
    const size_t name = listing.find("media.name = \"" + mediaName + "\"");
    if (name == std::string::npos)
        return "";
    const size_t start = listing.rfind("Sink Input #", name);
    const size_t end = listing.find("Sink Input #", name);
    return listing.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Sets the volume of the stream of that name, once it is there, as a user would in the mixer.
bool setVolume(const std::string& mediaName, const std::string& percent)
{
    std::string listing;
    if (!pollListing(listing, [&] { return !streamBlock(listing, mediaName).empty(); }))
        return false;
    const std::string block = streamBlock(listing, mediaName);
    const std::string index = block.substr(12, block.find('\n') - 12);  // after "Sink Input #"
    return runToEnd({"pactl", "set-sink-input-volume", index, percent}) == 0;
}

// What the stream of that name plays at, once it is there: "100%", "50%", ...; "" if never.
std::string volumeOf(const std::string& mediaName)
{
    std::string listing;
    if (!pollListing(listing, [&] { return !streamBlock(listing, mediaName).empty(); }))
        return "";
    const std::string block = streamBlock(listing, mediaName);
    const size_t volume = block.find("Volume: mono:");
    const size_t percent = block.find('%', volume);
    if (volume == std::string::npos || percent == std::string::npos)
        return "";
    const size_t start = block.rfind(' ', percent) + 1;
    return block.substr(start, percent + 1 - start);
}

TEST(PulsePlayback, SixteenChannelsEachNamedInTheMixer)
{
    AudioSystem audio;
    ASSERT_EQ(audio.connect("Kovaro"), 0) << "no sound server: run under ctest (fixture pulse)";
    PcmFormat format{};
    makeVoiceFormat(format);
    PlaybackChannel channels[16];
    for (int slot = 0; slot < 16; ++slot)
        ASSERT_EQ(channels[slot].open(audio, nullptr, format, slot), 0) << "slot " << slot;

    std::string listing = sinkInputListing();
    for (int slot = 0; slot < 16; ++slot)
        EXPECT_NE(listing.find("media.name = \"Kovaro slot " + std::to_string(slot) + "\""), std::string::npos)
            << "slot " << slot;
    EXPECT_NE(listing.find("application.name = \"Kovaro\""), std::string::npos);

    auto listingBecomes = [&](auto holds) { return pollListing(listing, holds); };
    channels[3].setDisplayName("太郎");
    EXPECT_TRUE(listingBecomes([&] { return listing.find("media.name = \"3: 太郎\"") != std::string::npos; }))
        << listing;
    EXPECT_EQ(listing.find("media.name = \"Kovaro slot 3\""), std::string::npos);

    for (PlaybackChannel& channel : channels)
        channel.close();
    EXPECT_FALSE(channels[0].isOpen());
    EXPECT_TRUE(listingBecomes([&] { return listing.find("Kovaro slot") == std::string::npos; })) << listing;
}

// The server remembers a volume per person, not per program: set for one speaker, it comes
// back when that speaker takes another slot, and never goes to the slot's next speaker or to
// anybody else.
TEST(PulsePlayback, AVolumeSetForOneSpeakerFollowsThatSpeakerOnly)
{
    AudioSystem audio;
    ASSERT_EQ(audio.connect("Kovaro"), 0) << "no sound server: run under ctest (fixture pulse)";
    PcmFormat format{};
    makeVoiceFormat(format);
    PlaybackChannel channels[3];
    for (int slot = 0; slot < 3; ++slot)
        ASSERT_EQ(channels[slot].open(audio, nullptr, format, slot), 0) << "slot " << slot;

    channels[0].setDisplayName("音量テスト");
    ASSERT_TRUE(setVolume("0: 音量テスト", "50%")) << sinkInputListing();
    EXPECT_EQ(volumeOf("0: 音量テスト"), "50%");
    // The server stores the new volume a moment after it changed.
    pause(1500);

    channels[0].setDisplayName("");
    EXPECT_EQ(volumeOf("Kovaro slot 0"), "100%") << "the slot's next speaker starts at the default";
    channels[1].setDisplayName("音量テスト");
    EXPECT_EQ(volumeOf("1: 音量テスト"), "50%") << "the speaker in another slot keeps the volume";
    channels[2].setDisplayName("other");
    EXPECT_EQ(volumeOf("2: other"), "100%");

    // Leaves the fixture's server as it was for the next run.
    channels[1].setDisplayName("");
    channels[1].setDisplayName("音量テスト");
    setVolume("1: 音量テスト", "100%");
}

}  // namespace
