// The hardest interruption: the downloading process killed with SIGKILL at
// random points, twenty times, each run resuming from what the last one left.
#include "EngineTestSupport.h"
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

namespace {

const std::string kDlcli = CW_BINARY_DIR "/tools/dlcli/cw_dlcli";

TEST(ResumeLoop, TwentyKillsStillGiveTheExactFile) {
  if (!enginetest::NginxServer::Available()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
  // Slow while the flag file exists, so that the twenty short runs cannot
  // finish the file; the last run goes at full speed.
  cwtest::TempDir flagDir;
  enginetest::NginxServer server("location = /pkg.exe { if (-f " + (flagDir / "throttle") +
                                 ") { set $limit_rate 256k; } }");
  ASSERT_TRUE(server.ready());
  const std::string data = enginetest::TestBytes(32 * 1024 * 1024 + 4321, 21);
  server.Serve("pkg.exe", data);
  cwtest::WriteFile(flagDir / "throttle", "");
  cwtest::TempDir dir;
  const std::string out = dir / "pkg.exe";
  const std::vector<std::string> args = {server.Url("pkg.exe"), out, "--log", dir / "dlcli.log"};

  std::mt19937 random(20260);
  int killed = 0;
  for (int run = 0; run < 20; ++run) {
    cwtest::ChildProcess child(kDlcli, args, {}, dir / "dlcli.out");
    ASSERT_TRUE(child.started());
    std::this_thread::sleep_for(std::chrono::milliseconds(60 + random() % 200));
    child.Kill(9);
    const int code = child.Wait(10000);
    std::printf("run %d: %d\n", run, code);
    killed += code == 128 + 9 ? 1 : 0;
  }
  EXPECT_GE(killed, 15);  // most runs died mid-download, not after finishing
  std::remove((flagDir / "throttle").c_str());

  cwtest::ChildProcess last(kDlcli, args, {}, dir / "dlcli.out");
  EXPECT_EQ(last.Wait(60000), 0);
  EXPECT_EQ(enginetest::Md5Hex(cwtest::ReadFile(out)), enginetest::Md5Hex(data));
  const double refetched = static_cast<double>(server.BytesSent() - static_cast<std::int64_t>(data.size())) /
                           static_cast<double>(data.size());
  RecordProperty("refetched_share_per_kill", std::to_string(refetched / 20));
  std::printf("refetched %.1f %% of the file over 20 kills (%.2f %% per kill)\n", refetched * 100, refetched * 5);
  EXPECT_LT(refetched / 20, 0.05);
}

}  // namespace
