#pragma once
// What the relay server may still send to each session in voice: paid for by what that
// session sends. The protocol cannot check sender addresses, so a forged join would otherwise
// turn the relay into a stream of a whole conference aimed at somebody else's address.
// Control messages are not counted: they are small, caused by other participants' joins and
// leaves or answer one datagram with one, and a session must keep its roster even when its
// voice budget is spent.
// Threading: worker thread only.

#include <cstddef>
#include <cstdint>

#include "net/wire_protocol.h"

class SendBudget {
public:
    static constexpr int32_t VOICE_RELAY_BYTES = static_cast<int32_t>(HEADER_SIZE + VOICE_PAYLOAD_SIZE);
    // 500 samples at 8000 a second.
    static constexpr int32_t FRAMES_PER_SECOND = 16;
    // Every speaker's frames to one recipient.
    static constexpr int32_t FULL_CONFERENCE_BYTES_PER_SECOND =
        static_cast<int32_t>(SLOT_COUNT) * FRAMES_PER_SECOND * VOICE_RELAY_BYTES;
    // Each received byte earns this many. A talking participant receives at most 16 copies
    // for every frame it sends, so 20 leaves it a quarter to spare to refill its saving after
    // a stall; a session that only sends keep-alives gets back at most 20 times what it sent.
    static constexpr int32_t CREDIT_FACTOR = 20;
    // Covers a newcomer until its own frames arrive, and a stall of its microphone soon after.
    static constexpr int32_t START_ALLOWANCE = 3 * FULL_CONFERENCE_BYTES_PER_SECOND;
    // The most a session can save up, enough to ride out a stall of a few seconds.
    static constexpr int32_t SAVING_CAP = 4 * FULL_CONFERENCE_BYTES_PER_SECOND;
    // Allowances are drawn from one reserve: enough for a whole conference joining at once,
    // refilled by one allowance every 30 s. Joining again and again under new keys gets no more.
    static constexpr int32_t RESERVE_CAP = static_cast<int32_t>(SLOT_COUNT) * START_ALLOWANCE;
    static constexpr int32_t RESERVE_REFILL_PER_SECOND = START_ALLOWANCE / 30;

    static_assert(CREDIT_FACTOR > static_cast<int32_t>(SLOT_COUNT), "a talker must earn more than it hears");
    static_assert(START_ALLOWANCE >= 2 * FULL_CONFERENCE_BYTES_PER_SECOND && SAVING_CAP >= START_ALLOWANCE,
                  "a two-second stall must be covered from the start");

    // A new session in this slot: the start allowance as far as the reserve holds it, nothing
    // of its predecessor.
    void start(int slot);
    // Once a second.
    void refillReserve();
    // The session sent a datagram of this many bytes; a slot of -1 earns nothing.
    void earn(int slot, size_t bytesReceived);
    // True, and debited, when the slot can pay for one relayed voice frame.
    bool spendOnVoice(int slot);

private:
    static bool isSlot(int slot) { return static_cast<uint32_t>(slot) < SLOT_COUNT; }

    int32_t bytes_[SLOT_COUNT] = {};
    int32_t reserve_ = RESERVE_CAP;
};
