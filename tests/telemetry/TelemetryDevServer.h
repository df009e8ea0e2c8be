// Reading the devserver's record from the telemetry tests, and pointing the
// transport at a devserver.
#pragma once

#include "support/ChildProcess.h"
#include "support/DevServerHarness.h"
#include "weblog/MachineFacts.h"
#include "weblog/WebLogConfig.h"

#include <string>
#include <vector>

namespace teletest {

// Record lines of one path, in the order they were written.
inline std::vector<Json::Value> RecordsAt(const devtest::DevServer& server, const std::string& path) {
  std::vector<Json::Value> out;
  for (const Json::Value& r : server.Records()) {
    if (r["path"].asString() == path) out.push_back(r);
  }
  return out;
}

// Waits (5 s at most) until the path has `count` record lines; returns them.
inline std::vector<Json::Value> WaitForPath(const devtest::DevServer& server, const std::string& path,
                                            std::size_t count) {
  std::vector<Json::Value> out;
  cwtest::WaitUntil(5000, [&] {
    out = RecordsAt(server, path);
    return out.size() >= count;
  });
  return out;
}

inline MachineFacts FixedFacts() { return {"4f3c2b1a-0d9e", "AABBCCDDEE01", 0x4F3C2B1A, "Linux", "6.1.0"}; }

// Every service of the transport on the devserver's plain HTTP listener.
inline WebLogConfig HttpConfig(const devtest::DevServer& server, const std::string& workingFolder) {
  WebLogConfig config;
  const std::string base = server.Url("");
  config.userCheckBase = config.downloadSiteBase = config.collectBase = config.collectTestBase = config.ga4Base =
      base;
  config.workingFolder = workingFolder;
  config.machineFacts = FixedFacts;
  return config;
}

// The port at the end of a base URL ("http://127.0.0.1:18080").
inline std::string PortOf(const std::string& base) { return base.substr(base.rfind(':') + 1); }

}  // namespace teletest
