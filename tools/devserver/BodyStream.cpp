#include "BodyStream.h"

#include "Lifetime.h"
#include "RequestNote.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <vector>

namespace devserver {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kChunk = 64 * 1024;
constexpr int kDrainMs = 2000;

enum class Ending { Complete, Reset, Close };

class BodyWriter {
 public:
  explicit BodyWriter(BodyPlan plan) : m_plan(std::move(plan)), m_buffer(kChunk) {}

  bool Run(httplib::DataSink& sink) {
    Decide();
    m_in.open(m_plan.file, std::ios::binary);
    if (!m_in || (m_plan.first < m_plan.fileSize && !m_in.seekg(static_cast<std::streamoff>(m_plan.first)))) {
      return false;
    }
    m_start = Clock::now();
    while (m_sent < m_limit) {
      if (StopRequested() || !sink.is_writable()) return false;
      if (!StallIfDue()) return false;
      const std::size_t chunk = NextChunk();
      if (!Fill(chunk) || !sink.write(m_buffer.data(), chunk)) return false;
      m_sent += chunk;
      CurrentNote().bodySent = m_sent;
      if (!Pace()) return false;
    }
    return Finish(sink);
  }

 private:
  // How the body ends: whole, or cut by the smaller of reset_after and truncate.
  void Decide() {
    const FaultPlan& f = m_plan.faults;
    m_limit = m_plan.length;
    if (f.truncate && *f.truncate < m_limit) {
      m_limit = *f.truncate;
      m_ending = Ending::Close;
    }
    if (f.resetAfter && *f.resetAfter <= m_limit) {
      m_limit = *f.resetAfter;
      m_ending = Ending::Reset;
    }
    if (f.stallMs) {
      m_stallAt = f.stallAt ? *f.stallAt : m_limit / 2;
      m_stallPending = m_stallAt < m_limit;
    }
    if (f.rate) CurrentNote().AddFault("rate", std::to_string(*f.rate));
  }

  bool StallIfDue() {
    if (!m_stallPending || m_sent != m_stallAt) return true;
    m_stallPending = false;
    const auto pause = std::chrono::milliseconds(*m_plan.faults.stallMs);
    CurrentNote().AddFault("stall", std::to_string(pause.count()) + "ms@" + std::to_string(m_sent));
    m_start += pause;  // a stall is not made up for by a burst afterwards
    return SleepUnlessStopping(pause);
  }

  std::size_t NextChunk() const {
    std::uint64_t chunk = std::min<std::uint64_t>(kChunk, m_limit - m_sent);
    if (m_stallPending) chunk = std::min(chunk, m_stallAt - m_sent);
    if (m_plan.faults.rate) chunk = std::min(chunk, std::max<std::uint64_t>(1, *m_plan.faults.rate / 20));
    return static_cast<std::size_t>(chunk);
  }

  bool Fill(std::size_t chunk) {
    const std::uint64_t offset = m_plan.first + m_sent;
    std::size_t fromFile = 0;
    if (offset < m_plan.fileSize) {
      fromFile = static_cast<std::size_t>(std::min<std::uint64_t>(chunk, m_plan.fileSize - offset));
      // A file that shrank under us ends the body early.
      if (!m_in.read(m_buffer.data(), static_cast<std::streamsize>(fromFile))) return false;
    }
    for (std::size_t i = fromFile; i < chunk; ++i) m_buffer[i] = FillerByte(offset + i);
    return true;
  }

  bool Pace() {
    if (!m_plan.faults.rate || m_sent == m_limit) return true;
    const auto due = m_start + std::chrono::microseconds(m_sent * 1000000 / *m_plan.faults.rate);
    const auto now = Clock::now();
    return due <= now || SleepUnlessStopping(due - now);
  }

  bool Finish(httplib::DataSink& sink) {
    switch (m_ending) {
      case Ending::Complete:
        sink.done();
        return true;
      case Ending::Close:
        CurrentNote().AddFault("truncate", std::to_string(m_sent));
        return false;  // the library closes the connection
      case Ending::Reset: {
        const AbortResult how = ResetConnection(m_plan.connection, kDrainMs);
        CurrentNote().AddFault("reset_after", std::to_string(m_sent) + (how == AbortResult::Reset ? "" : "(close)"));
        return false;
      }
    }
    return false;
  }

  BodyPlan m_plan;
  std::vector<char> m_buffer;
  std::ifstream m_in;
  std::uint64_t m_limit = 0;
  std::uint64_t m_sent = 0;
  Ending m_ending = Ending::Complete;
  std::uint64_t m_stallAt = 0;
  bool m_stallPending = false;
  Clock::time_point m_start;
};

}  // namespace

char FillerByte(std::uint64_t offset) { return static_cast<char>(offset % 251); }

httplib::ContentProviderWithoutLength MakeBodyProvider(BodyPlan plan) {
  auto shared = std::make_shared<BodyPlan>(std::move(plan));
  return [shared](std::size_t, httplib::DataSink& sink) { return BodyWriter(*shared).Run(sink); };
}

}  // namespace devserver
