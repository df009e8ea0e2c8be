#include "support/LogCapture.h"

#include "platform/log.h"

#include <algorithm>
#include <mutex>

namespace cwtest {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_lines;
int g_active = 0;

class Collector : public el::LogDispatchCallback {
 protected:
  void handle(const el::LogDispatchData* data) override {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_active > 0) g_lines.push_back(data->logMessage()->message());
  }
};

bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

LogCapture::LogCapture() {
  static const bool installed = [] {
    el::Helpers::installLogDispatchCallback<Collector>("cwtest-capture");
    return true;
  }();
  (void)installed;
  std::lock_guard<std::mutex> lock(g_mutex);
  ++g_active;
  g_lines.clear();
}

LogCapture::~LogCapture() {
  std::lock_guard<std::mutex> lock(g_mutex);
  --g_active;
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_lines;
}

bool LogCapture::has(const std::string& text) const { return count(text) > 0; }

size_t LogCapture::count(const std::string& text) const {
  std::lock_guard<std::mutex> lock(g_mutex);
  return static_cast<size_t>(
      std::count_if(g_lines.begin(), g_lines.end(), [&](const std::string& l) { return EndsWith(l, text); }));
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_lines.clear();
}

}  // namespace cwtest
