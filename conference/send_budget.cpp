#include "conference/send_budget.h"

void SendBudget::start(int slot)
{
    if (!isSlot(slot))
        return;
    const int32_t allowance = reserve_ < START_ALLOWANCE ? reserve_ : START_ALLOWANCE;
    reserve_ -= allowance;
    bytes_[slot] = allowance;
}

void SendBudget::refillReserve()
{
    const int32_t refilled = reserve_ + RESERVE_REFILL_PER_SECOND;
    reserve_ = refilled < RESERVE_CAP ? refilled : RESERVE_CAP;
}

void SendBudget::earn(int slot, size_t bytesReceived)
{
    if (!isSlot(slot))
        return;
    // A datagram is at most MAX_DATAGRAM bytes, so neither the product nor the sum overflows.
    const int32_t earned =
        CREDIT_FACTOR * static_cast<int32_t>(bytesReceived < MAX_DATAGRAM ? bytesReceived : MAX_DATAGRAM);
    const int32_t saved = bytes_[slot] + earned;
    bytes_[slot] = saved < SAVING_CAP ? saved : SAVING_CAP;
}

bool SendBudget::spendOnVoice(int slot)
{
    if (!isSlot(slot) || bytes_[slot] < VOICE_RELAY_BYTES)
        return false;
    bytes_[slot] -= VOICE_RELAY_BYTES;
    return true;
}
