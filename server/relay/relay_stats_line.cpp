#include "server/relay/relay_stats_line.h"

#include <cinttypes>
#include <cstdio>

int formatRelayStats(char* line, size_t size, const RelayStats& now, const RelayStats& before, int seconds)
{
    return std::snprintf(line, size,
                         "stats %d s: slots %d/%zu, in %" PRIu64 " datagrams %" PRIu64 " bytes, out %" PRIu64
                         " datagrams %" PRIu64 " bytes, relayed %" PRIu64 ", withheld %" PRIu64 ", junk %" PRIu64 "\n",
                         seconds, now.slotsInUse, SLOT_COUNT, now.traffic.datagramsIn - before.traffic.datagramsIn,
                         now.traffic.bytesIn - before.traffic.bytesIn,
                         now.traffic.datagramsOut - before.traffic.datagramsOut,
                         now.traffic.bytesOut - before.traffic.bytesOut, now.relayedCopies - before.relayedCopies,
                         now.withheldCopies - before.withheldCopies, now.junkDatagrams - before.junkDatagrams);
}
