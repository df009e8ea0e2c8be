// The time limits and outside checks of a download start. Production uses the
// defaults; tests shorten the limits or replace the checks so that the stall
// and dead-network endings can be reached in seconds.
#pragma once

#include "SegmentSink.h"

#include <cstdint>
#include <functional>

struct DownloadTuning {
  std::uint64_t stallLimitMs = 60000;          // no byte for this long ends a start with 10
  std::uint64_t networkEndingSleepMs = 1100;   // pause before a dead-network start returns 9
  std::uint64_t driverJoinMs = 180000;         // longest wait for the driver thread
  SegmentLimits segment;                       // the stall floor and bounds of each range request
  std::function<bool()> networkAlive;          // empty: the platform's check
  std::function<std::uint64_t()> tick;         // empty: the platform's monotonic tick

  bool isNetworkAlive() const;
  std::uint64_t now() const;
};

// The tuning a new download start takes (a copy, fixed for that start).
DownloadTuning CurrentDownloadTuning();
// Tests only: replace the tuning, and go back to the defaults.
void SetDownloadTuningForTesting(const DownloadTuning& tuning);
void ResetDownloadTuningForTesting();
