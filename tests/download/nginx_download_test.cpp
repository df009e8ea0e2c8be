// Whole download starts against a real nginx on loopback: complete files,
// resume from the task file, the ways a start can end, redirects.
#include "Deployment.h"
#include "DownLoadImpl.h"
#include "EngineTestSupport.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

namespace {

using enginetest::EventRecorder;
using enginetest::Md5Hex;
using enginetest::NginxServer;
using enginetest::TestBytes;
using enginetest::TuningScope;

constexpr std::size_t kMiB = 1024 * 1024;

class NginxDownload : public ::testing::Test {
 protected:
  void SetUp() override { StartServer(""); }

  void StartServer(const std::string& locationConfig) {
    if (!NginxServer::Available()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
    m_server = std::make_unique<NginxServer>(locationConfig);
    ASSERT_TRUE(m_server->ready());
  }

  EnumErrorCode Download(const std::string& name, bool main = false) {
    m_report = "unset";
    return CDownLoadImpl::SuperDownloadFile(m_server->Url(name), m_out, m_report, main);
  }

  cwtest::TempDir m_dir;
  std::string m_out = m_dir / "pkg.exe";
  std::string m_report;
  std::unique_ptr<NginxServer> m_server;
};

TEST_F(NginxDownload, WholeFileArrivesAndASecondStartFetchesNothing) {
  const std::string data = TestBytes(9 * kMiB + 12345, 1);
  m_server->Serve("pkg.exe", data);
  EventRecorder events;
  cwtest::LogCapture log;
  std::vector<std::pair<std::int64_t, std::int64_t>> shown;
  CDownLoadImpl::SetProgressDisplay([&](std::int64_t done, std::int64_t total) { shown.emplace_back(done, total); });

  EXPECT_EQ(Download("pkg.exe", true), DOWNLOAD_SUCCESS);
  EXPECT_EQ(Md5Hex(cwtest::ReadFile(m_out)), Md5Hex(data));
  EXPECT_EQ(m_report, "");
  EXPECT_EQ(m_server->Count(206), 2u);
  EXPECT_TRUE(events.has("Download/SliceDownloading/="));
  EXPECT_TRUE(log.has(" Get Contentlength = " + std::to_string(data.size())));
  EXPECT_TRUE(log.has(" Tasks info, generate ok, total 2, todo 2, complete 0"));
  EXPECT_EQ(log.count(" Download Stopped！"), 1u);
  bool averageLogged = false;
  for (const std::string& line : log.lines()) averageLogged |= line.find(" Average speed: ") != std::string::npos;
  EXPECT_TRUE(averageLogged);
  for (const auto& [done, total] : shown) {
    EXPECT_LE(done, total);
    EXPECT_EQ(total, static_cast<std::int64_t>(data.size()));
  }
  const std::string taskFile = cwtest::ReadFile(m_out + ".xml");
  EXPECT_EQ(taskFile.find("<TaskStatus>0</TaskStatus>"), std::string::npos);

  // Everything is on disk: the next start ends at once without fetching a byte.
  log.clear();
  shown.clear();
  EXPECT_EQ(Download("pkg.exe", true), DOWNLOAD_SUCCESS);
  EXPECT_EQ(m_server->Count(206), 2u);
  EXPECT_TRUE(log.has(" Load tasks from file success!"));
  EXPECT_TRUE(log.has(" Download will stop"));
  EXPECT_FALSE(events.has("Download/ResumUpload/="));
  for (const std::string& line : log.lines()) EXPECT_EQ(line.find(" Average speed: "), std::string::npos);
  ASSERT_FALSE(shown.empty());
  const auto whole = static_cast<std::int64_t>(data.size());
  EXPECT_EQ(shown.back().first, whole);
  EXPECT_EQ(shown.back().second, whole);
  CDownLoadImpl::SetProgressDisplay({});
}

TEST_F(NginxDownload, MainDownloadBelowOneMebibyteIsRefused) {
  m_server->Serve("small.exe", TestBytes(500000, 2));
  EXPECT_EQ(Download("small.exe", true), DOWNLOAD_FILE_TOO_SMALL);
  EXPECT_EQ(m_report, "unset");  // a refused main download reports no CDN text
  EXPECT_EQ(Download("small.exe", false), DOWNLOAD_SUCCESS);
  EXPECT_EQ(m_report, "");
}

// A clock that never moves makes every progress sample after the first a
// repeat: completion and the display must still see every byte, fresh and
// over a complete task file.
TEST_F(NginxDownload, FrozenClockStillCompletesAndShowsTheLastBytes) {
  const std::string data = TestBytes(5 * kMiB + 3, 7);
  const auto whole = static_cast<std::int64_t>(data.size());
  m_server->Serve("pkg.exe", data);
  DownloadTuning frozen;
  frozen.tick = [] { return std::uint64_t{5000}; };
  TuningScope tuning(frozen);
  std::vector<std::pair<std::int64_t, std::int64_t>> shown;
  CDownLoadImpl::SetProgressDisplay([&](std::int64_t done, std::int64_t total) { shown.emplace_back(done, total); });
  for (const char* start : {"fresh", "complete task file"}) {
    shown.clear();
    EXPECT_EQ(Download("pkg.exe", true), DOWNLOAD_SUCCESS) << start;
    ASSERT_FALSE(shown.empty()) << start;
    EXPECT_EQ(shown.back(), std::make_pair(whole, whole)) << start;
  }
  CDownLoadImpl::SetProgressDisplay({});
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(NginxDownload, OutputLongerThanTheRemoteFileIsCut) {
  cwtest::WriteFile(m_out, TestBytes(10 * kMiB, 3));
  const std::string data = TestBytes(5 * kMiB + 7, 4);
  m_server->Serve("pkg.exe", data);
  EXPECT_EQ(Download("pkg.exe"), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(NginxDownload, UnopenableOutputEndsWith7) {
  m_server->Serve("pkg.exe", TestBytes(kMiB, 5));
  m_out = m_dir / "missing/pkg.exe";
  EXPECT_EQ(Download("pkg.exe"), DOWNLOAD_OPEN_FILE_FAILED);
  EXPECT_EQ(m_report, "");
}

TEST_F(NginxDownload, SizeProbeFailuresEndWith6Or13) {
  cwtest::LogCapture log;
  EXPECT_EQ(Download("missing.exe"), DOWNLOAD_GET_SIZE_FAILED);
  EXPECT_TRUE(log.has(" GetSize: Download, error:0/error:0/error:0/error:0/error:0/error:0/error:0/error:0/error:0/error:0"));
  EXPECT_FALSE(cwplat::FileExists(m_out));
  EXPECT_FALSE(cwplat::FileExists(m_out + ".xml"));
}

// HTTPS with HTTP/2, as CDNs serve today: every header name arrives in lower
// case, and the range checks must read them all the same.
class NginxHttp2 : public NginxDownload {
 protected:
  void SetUp() override {
    if (!NginxServer::Available()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
    m_server = std::make_unique<NginxServer>("", true);
    ASSERT_TRUE(m_server->ready());
    ASSERT_TRUE(CDeployment::Instance().LoadFromText("<D><TlsTrustAnchor file=\"" + m_server->caFile() + "\"/></D>"));
  }
  void TearDown() override { CDeployment::Instance().Load(); }
};

TEST_F(NginxHttp2, WholeFileArrivesOverHttp2) {
  const std::string data = TestBytes(9 * kMiB + 4321, 15);
  m_server->Serve("pkg.exe", data);
  cwtest::LogCapture log;
  EXPECT_EQ(Download("pkg.exe", true), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
  EXPECT_EQ(m_server->Count(206), 2u);
  const std::vector<std::string> requests = m_server->RequestLines();
  ASSERT_FALSE(requests.empty());
  for (const std::string& request : requests) {
    EXPECT_EQ(request.substr(request.find(' ')), " /pkg.exe HTTP/2.0") << request;
  }
  for (const std::string& line : log.lines()) EXPECT_EQ(line.find("HeaderCallback error"), std::string::npos) << line;
}

class NginxRedirects : public NginxDownload {
 protected:
  void SetUp() override {
    StartServer("location = /moved.exe { return 302 http://127.0.0.1:$server_port/pkg.exe; }\n"
                "location = /relative.exe { absolute_redirect off; return 302 /pkg.exe; }\n"
                "location = /loop.exe { return 302 /loop.exe; }\n");
  }
};

TEST_F(NginxRedirects, RangesAreFetchedFromTheRedirectTarget) {
  const std::string data = TestBytes(6 * kMiB, 6);
  m_server->Serve("pkg.exe", data);
  for (const char* name : {"moved.exe", "relative.exe"}) {
    cwplat::RemoveFile(m_out);
    cwplat::RemoveFile(m_out + ".xml");
    EXPECT_EQ(Download(name), DOWNLOAD_SUCCESS) << name;
    EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data)) << name;
    EXPECT_NE(cwtest::ReadFile(m_out + ".xml").find("<RemotePath>" + m_server->Url("pkg.exe") + "</RemotePath>"),
              std::string::npos)
        << name;
  }
  EXPECT_EQ(m_server->Count(302), 2u);  // one probe each; the ranges go straight to the target
}

TEST_F(NginxRedirects, RedirectLoopEndsWith13) {
  cwtest::LogCapture log;
  EXPECT_EQ(Download("loop.exe"), DOWNLOAD_TOO_MANY_REDIRECTS);
  EXPECT_TRUE(log.has(" GetSize: Download, error:47/error:47/error:47/error:47/error:47/error:47/error:47/error:47/"
                      "error:47/error:47"));
}

// A slow server, so that a start can be cut short while ranges are in flight.
class NginxSlow : public NginxDownload {
 protected:
  void SetUp() override { StartServer("limit_rate 8m;"); }

  // Runs one start whose network check fails once bytes have arrived and
  // `aliveMs` have passed (at once when aliveMs is 0).
  EnumErrorCode DownloadUntilNetworkFails(const std::string& name, int aliveMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(aliveMs);
    DownloadTuning tuning;
    const std::string out = m_out;
    tuning.networkAlive = [deadline, out, aliveMs] {
      return aliveMs > 0 && (std::chrono::steady_clock::now() < deadline || cwplat::GetFileSize64(out).value_or(0) == 0);
    };
    TuningScope scope(tuning);
    return Download(name);
  }
};

TEST_F(NginxSlow, DeadNetworkEndsWith9AndTheNextStartResumes) {
  // More ranges than workers, so that some are still waiting when the network goes.
  const std::string data = TestBytes(24 * kMiB, 9);
  m_server->Serve("pkg.exe", data);
  EventRecorder events;
  cwtest::LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DownloadUntilNetworkFails("pkg.exe", 100), DOWNLOAD_NETWORK_DEAD);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(100 + 1100));
  EXPECT_TRUE(log.has("network is  no  alive"));
  EXPECT_TRUE(log.has(" Stopping Download,Mission Failed"));
  const std::int64_t partial = cwplat::GetFileSize64(m_out).value_or(0);
  EXPECT_GT(partial, 0);

  const std::int64_t sentBefore = m_server->BytesSent();
  EXPECT_EQ(Download("pkg.exe"), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(events.has("Download/ResumUpload/="));
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
  // Bytes written before the cut are not fetched again.
  EXPECT_LT(m_server->BytesSent() - sentBefore, static_cast<std::int64_t>(data.size()));
}

TEST_F(NginxSlow, NetworkDeadAtTheStartEndsWith9) {
  cwtest::LogCapture log;
  m_server->Serve("pkg.exe", TestBytes(2 * kMiB, 10));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(DownloadUntilNetworkFails("pkg.exe", 0), DOWNLOAD_NETWORK_DEAD);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1100));
  EXPECT_TRUE(log.has("network is  no  alive"));
  EXPECT_EQ(m_report, "");
}

TEST_F(NginxSlow, SizeChangeBetweenStartsStartsOver) {
  m_server->Serve("pkg.exe", TestBytes(9 * kMiB, 11));
  EXPECT_EQ(DownloadUntilNetworkFails("pkg.exe", 100), DOWNLOAD_NETWORK_DEAD);
  ASSERT_TRUE(cwplat::FileExists(m_out + ".xml"));
  EventRecorder events;
  const std::string changed = TestBytes(5 * kMiB + 3, 12);
  m_server->Serve("pkg.exe", changed);
  EXPECT_EQ(Download("pkg.exe"), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(events.has("Other/FlowError/DL025"));
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), changed));
}

TEST_F(NginxDownload, BrokenOrForeignTaskFilesAreThrownAway) {
  const std::string data = TestBytes(9 * kMiB, 13);
  m_server->Serve("pkg.exe", data);
  const std::string size = std::to_string(data.size());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Other/FlowError/DL026",
       "<TaskInfo><TasksCount>2</TasksCount><ContentLength>" + size + "</ContentLength><DownloadTime>5</DownloadTime>"
       "<Task><StartPos>0</StartPos><EndPos>4194303</EndPos><DownloadedPos>4194303</DownloadedPos>"
       "<RemotePath>" + m_server->Url("pkg.exe") + "</RemotePath><TaskStatus>1</TaskStatus><TaskId>1</TaskId></Task>"
       "<Task><StartPos>4194305</StartPos><EndPos>" + size + "</EndPos><DownloadedPos>4194305</DownloadedPos>"
       "<TaskStatus>1</TaskStatus><TaskId>2</TaskId></Task></TaskInfo>"},
      {"Other/FlowError/DL025", "<TaskInfo><TasksCount>2</TasksCount><ContentLen"},
  };
  for (const auto& [event, text] : cases) {
    EventRecorder events;
    cwtest::WriteFile(m_out, TestBytes(data.size(), 14));  // wrong bytes that a kept file would keep
    cwtest::WriteFile(m_out + ".xml", text);
    EXPECT_EQ(Download("pkg.exe"), DOWNLOAD_SUCCESS) << event;
    EXPECT_TRUE(events.has(event)) << event;
    EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data)) << event;
  }
}

}  // namespace
