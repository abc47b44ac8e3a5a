#include "conference/send_budget.h"

void SendBudget::Start(int slot)
{
    if (isSlot(slot))
        bytes_[slot] = START_ALLOWANCE;
}

void SendBudget::Earn(int slot, size_t bytesReceived)
{
    if (!isSlot(slot))
        return;
    // A datagram is at most MAX_DATAGRAM bytes, so neither the product nor the sum overflows.
    const int32_t earned = CREDIT_FACTOR * static_cast<int32_t>(bytesReceived < MAX_DATAGRAM ? bytesReceived
                                                                                              : MAX_DATAGRAM);
    const int32_t saved = bytes_[slot] + earned;
    bytes_[slot] = saved < SAVING_CAP ? saved : SAVING_CAP;
}

bool SendBudget::SpendOnVoice(int slot)
{
    if (!isSlot(slot) || bytes_[slot] < VOICE_RELAY_BYTES)
        return false;
    bytes_[slot] -= VOICE_RELAY_BYTES;
    return true;
}
