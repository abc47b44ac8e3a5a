#pragma once
// How much audio one speaker's playback channel keeps queued, decided block by block from
// what the channel holds when each block arrives. Knows nothing of the sound system: the
// channel passes the arrival time and its queue, and applies the decision.
// Threading: the owner of the channel; no lock inside.

#include <cstdint>

struct PlayoutDecision {
    // Concealment still waiting after the previous block that is left to play ahead of this
    // one; the rest of it is overwritten by what this block queues.
    uint32_t concealKeptBytes = 0;
    // Silence to queue before the block: the cushion rebuilt after the queue ran dry, or
    // grown in a quiet moment.
    uint32_t leadBytes = 0;
    // Bytes of the block to play: the whole block, or less where the queue sits above its
    // target (0 drops the block).
    uint32_t keepBytes = 0;
    // Concealment to queue after the block, heard only if the next block is late or lost.
    uint32_t concealBytes = 0;
    // The block follows silence that was not in the speech (the queue ran dry): ramp it in.
    bool fadeIn = false;
    // The channel holds too much to take the kept bytes: the block is dropped (keepBytes 0).
    bool refused = false;
};

// Whether the block before this one played, where the writer can tell (from the coder states
// frames carry); otherwise the policy guesses from the time since the previous block.
enum class Predecessor : uint8_t { UNKNOWN, PLAYED, LOST };

// How a block came, beyond the moment it is written.
struct BlockArrival {
    // It waited this long since it came, for one that plays before it: it gets that much less
    // cushion after a dry queue, and what it finds says nothing about the network's pace.
    int64_t heldUsec = 0;
    // It came after the block that follows it (reordered on the way): it is late by its nature,
    // so its gap raises no floor, and it plays as soon as it can.
    bool afterSuccessor = false;
    Predecessor predecessor = Predecessor::UNKNOWN;
};

class PlayoutPolicy {
public:
    static constexpr uint32_t BLOCK_BYTES = 1000;
    static constexpr int64_t BLOCK_USEC = 62500;
    // A channel never holds more than 8 blocks (0.5 s), silence ahead of a block included.
    static constexpr uint32_t LIMIT_BYTES = 8 * BLOCK_BYTES;
    // Arrivals over which the lowest queue is watched (2 s).
    static constexpr int WINDOW = 32;
    // Lowest queue aimed at when a block arrives: the server reads in chunks of about 10 ms.
    static constexpr uint32_t FLOOR_BYTES = 160;
    // A block whose largest sample is at most this is quiet (about -30 dBFS).
    static constexpr int QUIET_PEAK = 1024;
    // Concealment queued after every block (94 ms): it covers a lost frame even when the next
    // one is half a block late.
    static constexpr uint32_t CONCEAL_BYTES = 1500;
    // A block that continues the one before but comes this long after its moment is skipped
    // (placeInOrder); a frame held for its predecessor waits no longer than this past the queue.
    static constexpr int64_t LATE_SKIP_USEC = 20000;

    // The channel plays 16 bytes a millisecond: a byte lasts 62.5 us.
    static constexpr int64_t usecOfBytes(int64_t bytes) { return bytes * 125 / 2; }

    // Forgets everything, as for a new stream.
    void reset() { *this = PlayoutPolicy{}; }

    // A block of blockBytes with largest sample magnitude peak arrives at nowUsec while the
    // channel holds queuedBytes of speech followed by concealedBytes of concealment not played yet.
    PlayoutDecision arrive(int64_t nowUsec, uint32_t queuedBytes, uint32_t concealedBytes, uint32_t blockBytes,
                           int peak, const BlockArrival& arrival = {});

    // The lowest queue currently aimed at when a block arrives.
    uint32_t floorBytes() const { return FLOOR_BYTES + boostBytes_; }
    // The cushion rebuilt after the queue ran dry: the floor and the spread of recent arrivals.
    uint32_t cushionBytes() const;
    // Times the queue ran dry while blocks were arriving at the voice pace.
    uint32_t gaps() const { return gaps_; }
    // Bytes left out of blocks to bring the queue down to its target.
    uint64_t trimmedBytes() const { return trimmedBytes_; }
    // Blocks left to the concealment because they came too long after their moment.
    uint32_t skipped() const { return skipped_; }

private:
    PlayoutDecision placeInOrder(PlayoutDecision decision, int64_t nowUsec, uint32_t concealedBytes,
                                 const BlockArrival& arrival, bool resumed);
    PlayoutDecision limited(PlayoutDecision decision, uint32_t queuedBytes, uint32_t concealedBytes);
    void remember(uint32_t queuedBytes);
    void shiftWindow(int64_t bytes);
    int outliersLeftOut() const;
    uint32_t windowLowest() const;
    uint32_t windowFall() const;

    int64_t window_[WINDOW] = {};
    int windowCount_ = 0;
    int windowNext_ = 0;
    // Consecutive arrivals that found the queue above its target, and more than a block above
    // the floor; the queue is being brought down to its target through loud blocks too.
    int aboveTarget_ = 0;
    int highArrivals_ = 0;
    bool descending_ = false;
    // Grows with every gap, fades while none comes.
    uint32_t boostBytes_ = 0;
    // The window's deepest fall of the queue found, remembered across restarts and fading slowly.
    uint32_t spreadBytes_ = 0;
    int arrivalsSinceGap_ = 0;
    bool started_ = false;
    int64_t lastArrivalUsec_ = 0;
    // When the queue will have played everything written so far.
    int64_t dryFromUsec_ = 0;
    uint32_t gaps_ = 0;
    uint64_t trimmedBytes_ = 0;
    uint32_t skipped_ = 0;
    // The previous block was skipped: the next one plays however late.
    bool skippedLast_ = false;
    // The latest block came with its place in the order known.
    bool orderKnown_ = false;
};
