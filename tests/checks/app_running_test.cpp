#include "ChecksFixture.h"
#include "PreInstallChecks.h"
#include "support/ChildProcess.h"

#include <filesystem>

namespace {

class AppRunning : public ChecksTest {
 protected:
  void SetUp() override {
    ChecksTest::SetUp();
    sources.downloadFolder = [this] { return dir / "downloads"; };
    window.pathText = dir / "Product";
  }

  // The product "running": a copy of sleep under the product's image name.
  std::unique_ptr<cwtest::ChildProcess> StartProduct(const std::string& imageName) {
    const std::string exe = dir / imageName;
    std::filesystem::copy_file("/bin/sleep", exe);
    auto child = std::make_unique<cwtest::ChildProcess>(exe, std::vector<std::string>{"30"},
                                                        std::map<std::string, std::string>{});
    EXPECT_TRUE(child->started());
    EXPECT_TRUE(cwtest::WaitUntil(5000, [&] {
      for (const auto& p : cwplat::SnapshotProcesses())
        if (p.pid == child->pid() && p.exeName == imageName) return true;
      return false;
    }));
    return child;
  }

  PreInstallSources sources;
};

TEST_F(AppRunning, RunningProductBlocksTheInstall) {
  ConfigureFromUpdateService(window, 0, "Product", "QuorlaApp");
  const auto child = StartProduct("QuorlaApp");
  CPreInstallChecks checks(window, sources);
  EXPECT_EQ(checks.RunChecks(), -1);
  EXPECT_TRUE(log.has(" QuorlaApp,QuorlaAppID:" + std::to_string(child->pid())));
  EXPECT_TRUE(log.has(" User event Other / FlowError / DL024"));
  EXPECT_TRUE(log.has(" app is running"));
  EXPECT_EQ(window.boxes, std::vector<int>{MSG_APPEXIST});
  EXPECT_EQ(window.runningPageShown, 0);

  // The image name must match exactly.
  for (const char* other : {"quorlaapp", "Quorla"}) {
    ConfigureFromUpdateService(window, 0, "Product", other);
    EXPECT_TRUE(checks.AppIsRunning()) << other;
  }

  // Gone: the install goes ahead.
  ConfigureFromUpdateService(window, 0, "Product", "QuorlaApp");
  child->Kill(9);
  child->Wait(5000);
  window.boxes.clear();
  EXPECT_EQ(checks.RunChecks(), 0);
  EXPECT_TRUE(window.boxes.empty());
  EXPECT_EQ(window.runningPageShown, 1);
  EXPECT_EQ(window.installDir, dir / "Product");
}

TEST_F(AppRunning, UnreadableProcessListBlocks) {
  ConfigureFromUpdateService(window, 0, "Product", "QuorlaApp");
  sources.processes = [] { return std::vector<cwplat::ProcessEntry>{}; };
  EXPECT_EQ(CPreInstallChecks(window, sources).RunChecks(), -1);
  EXPECT_TRUE(log.has(" app is running"));
}

}  // namespace

