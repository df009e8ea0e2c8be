// A transport that records what it is asked to send, and the user event log
// set-up the telemetry tests share.
#pragma once

#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "platform/sync.h"
#include "support/TestSupport.h"
#include "weblog/IWebLog.h"
#include "weblog/JsonText.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace teletest {

class FakeTransport : public IWebLog {
 public:
  int QueryUserInfo(std::string& guid, std::string& record) override {
    identityGate.Wait(cwplat::kInfinite);
    ++identityCalls;
    guid = "GUID";
    record = "1001";
    return 0;
  }
  int SoftDataReport(const std::string& json) override { return Record(funnels, json, funnelResult); }
  int GA4DataReport(const std::string& tail) override { return Record(pageViews, tail, ga4Result); }

  std::vector<std::string> Funnels() const { return Copy(funnels); }
  std::vector<std::string> PageViews() const { return Copy(pageViews); }
  std::vector<Json::Value> FunnelObjects() const {
    std::vector<Json::Value> out;
    for (const std::string& text : Funnels()) out.push_back(ParseJsonObject(text, 1 << 20).value_or(Json::Value()));
    return out;
  }

  // Opened by default; a test closes it to keep the sender before its loop.
  cwplat::CEvent identityGate{true, true};
  std::atomic<int> identityCalls{0};
  // The result of each call, by its number in that stream (0-based).
  std::function<int(int)> ga4Result = [](int) { return 0; };
  std::function<int(int)> funnelResult = [](int) { return 0; };
  std::chrono::milliseconds delay{0};

 private:
  int Record(std::vector<std::string>& into, const std::string& text, const std::function<int(int)>& result) {
    if (delay.count() > 0) std::this_thread::sleep_for(delay);
    std::lock_guard<std::mutex> lock(m_mutex);
    into.push_back(text);
    return result(static_cast<int>(into.size()) - 1);
  }
  std::vector<std::string> Copy(const std::vector<std::string>& v) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return v;
  }

  mutable std::mutex m_mutex;
  std::vector<std::string> funnels;
  std::vector<std::string> pageViews;
};

inline UserLogFacts TestFacts() { return {"1.2.3.4", "bing", "Linux 64bit", "English", "United States"}; }

// A settings file of the test's own (AutoRun off unless written), restored at the end.
class ScopedSettings {
 public:
  explicit ScopedSettings(const std::string& content = "[Settings]\nAutoRun=0\n") {
    cwtest::WriteFile(m_dir / "cw_downloader.cfg", content);
    FuntionImpl::SetLocalSettingsPathForTesting(m_dir / "cw_downloader.cfg");
  }
  ~ScopedSettings() { FuntionImpl::SetLocalSettingsPathForTesting(""); }

 private:
  cwtest::TempDir m_dir;
};

// Per-user folders in a temporary folder, so InitLogPaths stays inside it.
class ScopedUserFolders {
 public:
  ScopedUserFolders()
      : m_data("XDG_DATA_HOME", m_dir / "data"), m_cache("XDG_CACHE_HOME", m_dir / "cache") {}
  const std::string& path() const { return m_dir.path(); }

 private:
  cwtest::TempDir m_dir;
  cwtest::ScopedEnv m_data;
  cwtest::ScopedEnv m_cache;
};

inline std::unique_ptr<CSingleUserLog> MakeLog(const std::shared_ptr<IWebLog>& transport,
                                               std::function<cwplat::LocalTime()> clock = {}) {
  UserLogOptions options;
  options.createTransport = [transport] { return transport; };
  options.facts = TestFacts();
  options.clock = std::move(clock);
  return std::make_unique<CSingleUserLog>(options);
}

}  // namespace teletest
