#include "Link.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace linksim {

namespace {
constexpr double kNanosPerSecond = 1e9;
// A busy bucket is credited at most this much at once: a stopped process
// (SIGSTOP, a debugger) must not come back to a flood.
constexpr double kMaxBusyCreditSeconds = 0.25;
}  // namespace

TokenBucket::TokenBucket(double bytesPerSecond, double burstBytes, Nanos now)
    : m_rate(bytesPerSecond), m_burst(burstBytes), m_tokens(0), m_last(now) {}

void TokenBucket::Refill(Nanos now, bool busy) {
  if (now <= m_last) return;
  const double seconds = static_cast<double>(now - m_last) / kNanosPerSecond;
  m_last = now;
  if (unlimited()) return;
  const double cap = busy ? std::max(m_burst, m_rate * kMaxBusyCreditSeconds) : m_burst;
  // A busy bucket may already hold more than an idle one could reach; filling never drains it.
  m_tokens = std::max(m_tokens, std::min(cap, m_tokens + m_rate * seconds));
}

std::uint64_t TokenBucket::available() const {
  if (unlimited()) return UINT64_MAX;
  return m_tokens <= 0 ? 0 : static_cast<std::uint64_t>(m_tokens);
}

void TokenBucket::Take(std::uint64_t bytes) {
  if (!unlimited()) m_tokens -= static_cast<double>(bytes);
}

Nanos TokenBucket::TimeUntil(std::uint64_t bytes) const {
  if (unlimited()) return 0;
  const double want = std::min(static_cast<double>(bytes), m_burst);
  if (m_tokens >= want) return 0;
  return static_cast<Nanos>(std::ceil((want - m_tokens) / m_rate * kNanosPerSecond));
}

std::vector<std::uint64_t> FairShare(std::uint64_t available, const std::vector<std::uint64_t>& demands) {
  std::vector<std::size_t> order(demands.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return demands[a] < demands[b]; });
  std::vector<std::uint64_t> share(demands.size(), 0);
  std::uint64_t left = available;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::uint64_t equal = left / (order.size() - i);
    if (demands[order[i]] <= equal) {
      share[order[i]] = demands[order[i]];
      left -= demands[order[i]];
      continue;
    }
    // Every larger demand gets the same level; the rounding remainder favours nobody.
    for (std::size_t j = i; j < order.size(); ++j) share[order[j]] = equal;
    break;
  }
  return share;
}

std::uint64_t WindowLimit(const LinkShape& shape) {
  constexpr std::uint64_t kFloor = 32 * 1024;
  constexpr std::uint64_t kUnlimited = 4 * 1024 * 1024;
  double rate = shape.rate;
  if (shape.perConnRate > 0 && (rate <= 0 || shape.perConnRate < rate)) rate = shape.perConnRate;
  if (rate <= 0) return kUnlimited;
  // Without a delay there is no pipe to fill: a few milliseconds of the rate keep the queue from running dry.
  const double seconds = shape.rtt > 0 ? static_cast<double>(shape.rtt) / kNanosPerSecond : 0.02;
  const double bytes = rate * seconds * (1.0 + std::max(0.0, shape.bufferBdp));
  return std::max(kFloor, static_cast<std::uint64_t>(bytes));
}

Nanos IdleRestart(Nanos rtt) { return rtt + 200'000'000; }

}  // namespace linksim
