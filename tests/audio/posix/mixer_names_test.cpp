#include <gtest/gtest.h>

#include <string>

#include "audio/audio_system.h"
#include "audio/pcm_format.h"
#include "audio/playback_channel.h"
#include "pulse_tools.h"
#include "tests/audio/sound_server_tools.h"

namespace {

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

    // The server applies a rename or a close a moment later: poll the mixer's listing.
    auto listingBecomes = [&](auto holds) {
        for (int attempt = 0; attempt < 100; ++attempt) {
            listing = sinkInputListing();
            if (holds())
                return true;
            pause(50);
        }
        return false;
    };
    channels[3].setDisplayName("太郎");
    EXPECT_TRUE(listingBecomes([&] { return listing.find("media.name = \"3: 太郎\"") != std::string::npos; }))
        << listing;
    EXPECT_EQ(listing.find("media.name = \"Kovaro slot 3\""), std::string::npos);

    for (PlaybackChannel& channel : channels)
        channel.close();
    EXPECT_FALSE(channels[0].isOpen());
    EXPECT_TRUE(listingBecomes([&] { return listing.find("Kovaro slot") == std::string::npos; })) << listing;
}

}  // namespace
