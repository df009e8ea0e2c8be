// The installer's test behaviours (slow, hanging, failing) and its refusal of
// command lines it cannot use.
#include "package_support.h"

#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>

namespace {

class SetupModes : public ::testing::Test {
 protected:
  cwtest::TempDir m_root;
  const std::string m_dir = m_root / "product";
  const std::string m_log = m_root / "logs/setup.log";

  std::map<std::string, std::string> Env(const std::string& name, const std::string& value) const {
    return {{"CW_REGISTRY_ROOT", m_root / "registry"}, {name, value}};
  }
  std::vector<std::string> Args() const { return samplepkg::DownloaderArgs(m_dir, "fr", m_log, "null"); }
  bool Installed() const { return std::filesystem::exists(m_dir + "/Murmelon.exe"); }
  bool HasUninstallEntry() const {
    cwtest::ScopedEnv root("CW_REGISTRY_ROOT", m_root / "registry");
    return cwplat::RegKeyExists(cwplat::RegHive::LocalMachine,
                                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Quorla Murmelon}_is1");
  }
};

TEST_F(SetupModes, SecondsModeTakesThatLongThenInstalls) {
  const auto start = std::chrono::steady_clock::now();
  const samplepkg::RunResult run = samplepkg::Run(samplepkg::PackagePath(), Args(), Env("CW_SAMPLE_SETUP_SECONDS", "2"));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_GE(elapsed, std::chrono::seconds(2));
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  EXPECT_TRUE(Installed());
}

TEST_F(SetupModes, UnusableSecondsValuesAreIgnored) {
  for (const char* value : {"abc", "-5", "3601", "99999999999999999999", "2s"}) {
    std::filesystem::remove_all(m_dir);
    const auto start = std::chrono::steady_clock::now();
    const samplepkg::RunResult run =
        samplepkg::Run(samplepkg::PackagePath(), Args(), Env("CW_SAMPLE_SETUP_SECONDS", value));
    EXPECT_EQ(run.exitCode, 0) << value << ": " << run.output;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << value;
    EXPECT_TRUE(Installed()) << value;
    EXPECT_NE(cwtest::ReadFile(m_log).find("CW_SAMPLE_SETUP_SECONDS ignored"), std::string::npos) << value;
  }
}

TEST_F(SetupModes, HangModeRunsUntilKilledWithoutInstalling) {
  cwtest::ChildProcess setup(samplepkg::PackagePath(), Args(), Env("CW_SAMPLE_SETUP_HANG", "1"));
  ASSERT_TRUE(setup.started());
  // It has really started (its log says so) and then does not end.
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] {
    return std::filesystem::exists(m_log) && cwtest::ReadFile(m_log).find("Hanging") != std::string::npos;
  }));
  EXPECT_EQ(setup.Wait(1500), -1);
  EXPECT_FALSE(Installed());
  setup.Kill(SIGKILL);
  EXPECT_EQ(setup.Wait(5000), 128 + SIGKILL);
}

TEST_F(SetupModes, FailModeExitsOneWithoutInstalling) {
  const samplepkg::RunResult run = samplepkg::Run(samplepkg::PackagePath(), Args(), Env("CW_SAMPLE_SETUP_FAIL", "1"));
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("CW_SAMPLE_SETUP_FAIL"), std::string::npos) << run.output;
  EXPECT_FALSE(Installed());
  EXPECT_FALSE(HasUninstallEntry());
  EXPECT_NE(cwtest::ReadFile(m_log).find("Installation failed"), std::string::npos);
}

TEST_F(SetupModes, UnusableCommandLinesExitTwoWithMessage) {
  const std::string dir = "/DIR=" + m_dir;
  const std::vector<std::vector<std::string>> commandLines = {
      {},
      {"/VERYSILENT", "/SP-", "/NORESTART"},
      {"/DIR="},
      {"/DIR=relative/folder/"},
      {dir, "/LANG="},
      {dir, "/LANG=ja\nTracking=forged"},  // would add a line to settings.ini
      {dir, "/LANG=" + std::string(33, 'x')},
      {dir, "/sptrack", "a\nb"},
      {dir, "/sptrack", std::string(1025, 't')},
      {dir, "/LOG="},
      {dir, "/LOG=relative.log"},
      {dir, "/LOG=" + m_root.path() + "/"},
  };
  for (const auto& args : commandLines) {
    const std::string shown = args.empty() ? "(none)" : args.back().substr(0, 40);
    const samplepkg::RunResult run = samplepkg::Run(samplepkg::PackagePath(), args, Env("UNUSED", ""));
    EXPECT_EQ(run.exitCode, 2) << shown;
    EXPECT_NE(run.output.find("setup: "), std::string::npos) << shown << ": " << run.output;
    EXPECT_FALSE(Installed()) << shown;
  }
  EXPECT_FALSE(HasUninstallEntry());
}

TEST_F(SetupModes, UnwritableFolderOrLogExitsFour) {
  const std::string blocker = m_root / "plain-file";
  cwtest::WriteFile(blocker, "not a folder");

  samplepkg::RunResult run = samplepkg::Run(samplepkg::PackagePath(),
                                            samplepkg::DownloaderArgs(blocker + "/product", "en", m_log, "null"),
                                            Env("UNUSED", ""));
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.output.find("cannot create the folder"), std::string::npos) << run.output;
  EXPECT_NE(cwtest::ReadFile(m_log).find("Installation failed"), std::string::npos);
  EXPECT_FALSE(HasUninstallEntry());

  run = samplepkg::Run(samplepkg::PackagePath(), samplepkg::DownloaderArgs(m_dir, "en", blocker + "/x.log", "null"),
                       Env("UNUSED", ""));
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_NE(run.output.find("log"), std::string::npos) << run.output;
  EXPECT_FALSE(Installed());
}

}  // namespace
