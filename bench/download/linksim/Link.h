// The shared part of the simulated link: token buckets for the capacity and
// the per-connection caps, and the max-min fair split of one moment's
// capacity among the connections that have bytes waiting.
#pragma once

#include <cstdint>
#include <vector>

namespace linksim {

using Nanos = std::int64_t;

// Bytes per second with a bounded store. A link cannot bank the capacity it
// did not use while idle, so an idle bucket stops filling at `burst`; a busy
// one (bytes were waiting all along) is credited all the time that passed, so
// a late wake-up of the event loop costs no capacity.
class TokenBucket {
 public:
  // bytesPerSecond 0: unlimited.
  TokenBucket(double bytesPerSecond, double burstBytes, Nanos now);

  bool unlimited() const { return m_rate <= 0; }
  void Refill(Nanos now, bool busy);
  // Whole bytes that may go now.
  std::uint64_t available() const;
  void Take(std::uint64_t bytes);
  // Time until `bytes` (at most the burst) are available, 0 when they are.
  Nanos TimeUntil(std::uint64_t bytes) const;

 private:
  double m_rate;
  double m_burst;
  double m_tokens;
  Nanos m_last;
};

// Max-min fair split: each demand gets an equal share of `available`, and what
// a small demand leaves over goes to the larger ones. Whole bytes; what does
// not divide evenly stays unused (the caller's bucket keeps it).
std::vector<std::uint64_t> FairShare(std::uint64_t available, const std::vector<std::uint64_t>& demands);

// Link parameters, as the command line gives them (rates in bytes per second,
// 0 meaning unlimited).
struct LinkShape {
  double rate = 0;
  double perConnRate = 0;
  Nanos rtt = 0;
  double bufferBdp = 1.0;  // bottleneck buffer per connection, in bandwidth-delay products
  bool slowStart = false;  // new (or long idle) connections start with kInitialWindow in flight
};

// A connection's upper bound on bytes in flight (read from the server and not
// yet acknowledged by the client): the pipe's bandwidth-delay product at the
// connection's best rate plus the bottleneck buffer.
std::uint64_t WindowLimit(const LinkShape& shape);

// Bytes a new (or long idle) connection may have in flight: ten segments, as
// Linux starts with.
constexpr std::uint64_t kInitialWindow = 10 * 1448;

// Linux restarts slow start after an idle time of one retransmission timeout,
// about the round trip plus its 200 ms floor.
Nanos IdleRestart(Nanos rtt);

}  // namespace linksim
