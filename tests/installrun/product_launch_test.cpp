// The product start stays inside the install folder: a hostile executable
// name, a link that leads out, a linked subfolder; the program gets no
// arguments of anybody's choosing.
#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallRunSupport.h"
#include "ProductLaunch.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using installtest::ReadLines;
using installtest::WriteRecorder;

namespace {

class ProductLaunch : public ::testing::Test {
 protected:
  // A filled configuration whose product is `processName`.
  CConfigure& Configure(const std::string& processName) {
    std::string attribute;
    for (char c : processName) attribute += c == '"' ? std::string("&quot;") : std::string(1, c);
    CEmbeddedLabels labels;
    EXPECT_TRUE(labels.parse("<r><Label name=\"Process_name\" text=\"" + attribute + "\"/></r>"));
    m_configure.loadFromResource(labels, true);
    return m_configure;
  }
  std::string install() const { return m_dir / "Install"; }

  cwtest::TempDir m_dir;
  CConfigure m_configure{0, 0, 0};
  cwtest::LogCapture m_log;
};

TEST_F(ProductLaunch, StartsTheProductInItsFolderWithNoArguments) {
  fs::create_directories(install());
  WriteRecorder(install() + "/Murmelon.exe", m_dir / "args", "exec /bin/sleep 30");
  ASSERT_TRUE(LaunchProductDirectly(Configure("Murmelon.exe"), install(), 1));
  ASSERT_TRUE(installtest::WaitForRecord(m_dir / "args"));
  EXPECT_EQ(ReadLines(m_dir / "args"), std::vector<std::string>{""});  // printf of no arguments: one empty line
  EXPECT_EQ(ReadLines(m_dir / "args.cwd"), std::vector<std::string>{install()});
  const auto pid = ReadLines(m_dir / "args.pid");
  ASSERT_EQ(pid.size(), 1u);
  EXPECT_TRUE(installtest::KillAndWaitGone(std::stoi(pid.front())));
}

TEST_F(ProductLaunch, PathsOutOfTheInstallFolderAreRefused) {
  fs::create_directories(install() + "/linked");
  fs::create_directories(m_dir / "outside");
  WriteRecorder(m_dir / "outside/Murmelon.exe", m_dir / "ran");
  // A link inside the install folder that points out, as the product or as a folder on its way.
  fs::create_symlink(m_dir / "outside/Murmelon.exe", install() + "/Murmelon.exe");
  fs::create_symlink(m_dir / "outside", install() + "/linked/sub");
  EXPECT_EQ(ProductExecutablePath(Configure("Murmelon.exe"), install()), "");
  EXPECT_TRUE(m_log.has(" Product executable refused, it leads out of the install folder: " + install() +
                        "/Murmelon.exe"));
  // Names that are not plain file names never become a path at all.
  for (const std::string& hostile : {std::string("../outside/Murmelon.exe"),
                                     std::string("../../../../../../usr/bin/touch\" \"/tmp/x"), std::string("..")}) {
    EXPECT_EQ(ProductExecutablePath(Configure(hostile), install()), "") << hostile;
  }
  m_log.clear();
  EXPECT_FALSE(LaunchProductDirectly(Configure("../outside/Murmelon.exe"), install(), 1));
  EXPECT_TRUE(m_log.has(" User event Other / FlowError / DL019"));
  EXPECT_FALSE(fs::exists(m_dir / "ran"));

  // Without the top-level link, the subfolder search does not follow the linked folder either.
  fs::remove(install() + "/Murmelon.exe");
  EXPECT_EQ(ProductExecutablePath(Configure("Murmelon.exe"), install()), install() + "/Murmelon.exe");
  fs::create_directories(install() + "/bin");
  WriteRecorder(install() + "/bin/Murmelon.exe", m_dir / "ran");
  EXPECT_EQ(ProductExecutablePath(Configure("Murmelon.exe"), install()), install() + "/bin/Murmelon.exe");
}

}  // namespace
