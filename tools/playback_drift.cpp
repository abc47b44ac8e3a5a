// playback-drift PERCENT SECONDS [BURST]: feeds one playback channel on the default output
// with blocks PERCENT faster than real time (a speaker whose sound card runs fast), after an
// optional burst of BURST blocks written at once (a network stall ending), and reports how
// many blocks the channel refused, whether it fell silent (refusing every block from some
// moment to the end of the run), the most speech it held after a write, the gaps its playout
// saw (the queue running dry), what it trimmed, and what it held as each block arrived. At 0 % this is a channel fed at the voice
// pace: it should stay within its cushion, without gaps, for as long as it runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/audio_system.h"
#include "audio/pcm_format.h"
#include "audio/playback_channel.h"
#include "platform/linux/command_line.h"

int main(int argc, char** argv)
{
    char* percentEnd = nullptr;
    const double percent = argc > 1 ? std::strtod(argv[1], &percentEnd) : -1;
    int32_t seconds = 0;
    int32_t burst = 0;
    if ((argc != 3 && argc != 4) || percentEnd == argv[1] || *percentEnd != '\0' || !(percent >= 0 && percent <= 50) ||
        !parseNumber(argv[2], 1, 3600, seconds) || (argc == 4 && !parseNumber(argv[3], 0, 64, burst))) {
        std::fprintf(stderr, "usage: playback-drift PERCENT SECONDS [BURST]   (PERCENT 0..50, BURST 0..64)\n");
        return 2;
    }
    AudioSystem audio;
    if (const int error = audio.connect("Kovaro"); error != 0) {
        std::fprintf(stderr, "playback-drift: no sound server: %s\n", AudioSystem::errorText(error));
        return 1;
    }
    PcmFormat format{};
    makeVoiceFormat(format);
    PlaybackChannel channel;
    if (const int error = channel.open(audio, nullptr, format, 0); error != 0) {
        std::fprintf(stderr, "playback-drift: cannot open a channel: %s\n", AudioSystem::errorText(error));
        return 1;
    }

    int16_t tone[500];
    for (int i = 0; i < 500; ++i)
        tone[i] = static_cast<int16_t>((i / 8) % 2 == 0 ? 8000 : -8000);
    const auto* block = reinterpret_cast<const uint8_t*>(tone);

    for (int i = 0; i < burst; ++i)
        channel.write(block, sizeof tone);
    const auto start = std::chrono::steady_clock::now();
    const auto period = std::chrono::nanoseconds(static_cast<long long>(62.5e6 * 100 / (100 + percent)));
    const auto end = start + std::chrono::seconds(seconds);
    auto due = start;
    double refusingSince = -1;
    uint32_t written = 0;
    uint32_t mostQueued = 0;
    std::vector<uint32_t> queuedOnArrival;
    queuedOnArrival.reserve(static_cast<size_t>(seconds * 17 * (100 + percent) / 100) + 1);
    while (due < end) {
        due += period;
        std::this_thread::sleep_until(due);
        queuedOnArrival.push_back(channel.queuedBytes());
        const uint32_t droppedBefore = channel.droppedWrites();
        channel.write(block, sizeof tone);
        ++written;
        mostQueued = std::max(mostQueued, channel.queuedBytes());
        const double at = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (channel.droppedWrites() == droppedBefore)
            refusingSince = -1;
        else if (refusingSince < 0)
            refusingSince = at;
    }
    std::printf("blocks %u at %g %% fast after a burst of %d, refused %u\n", written, percent, burst,
                channel.droppedWrites());
    // One block refused now and then is the queue at its cap; a second of nothing but refusals is silence.
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (refusingSince >= 0 && elapsed - refusingSince > 1.0)
        std::printf("silent after %.1f s (every block refused from then to the end, %.1f s)\n", refusingSince, elapsed);
    else
        std::printf("never silent in %.1f s\n", elapsed);
    std::printf("most queued %u bytes (%.1f ms), gaps %u, trimmed %llu bytes\n", mostQueued, mostQueued / 16.0,
                channel.playout().gaps(), static_cast<unsigned long long>(channel.playout().trimmedBytes()));
    if (!queuedOnArrival.empty()) {
        std::sort(queuedOnArrival.begin(), queuedOnArrival.end());
        const size_t count = queuedOnArrival.size();
        std::printf("held as a block arrived: p10 %u, median %u, p90 %u bytes\n", queuedOnArrival[count / 10],
                    queuedOnArrival[count / 2], queuedOnArrival[count * 9 / 10]);
    }
    channel.close();
    return 0;
}
