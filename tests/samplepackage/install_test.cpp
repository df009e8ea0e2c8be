// The signed sample package installs the product the way the downloader runs
// it, and the installed product starts.
#include "package_support.h"

#include "support/TestSupport.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Quorla Murmelon}_is1";

class SamplePackageInstall : public ::testing::Test {
 protected:
  cwtest::TempDir m_root;
  // Spaces, double and single quotes: must arrive as one argument, intact.
  const std::string m_dir = m_root / "Program Files/Quorla \"Murmelon\" it's";
  const std::string m_log = m_root / "logs/Quorla Murmelon_Setup_20261209001500.log";
  const std::map<std::string, std::string> m_env = {{"CW_REGISTRY_ROOT", m_root / "registry"}};

  samplepkg::RunResult Install(const std::string& language) {
    return samplepkg::Run(samplepkg::PackagePath(),
                          samplepkg::DownloaderArgs(m_dir, language, m_log, "setup_abc.exe"), m_env);
  }

  std::string Registry(const std::string& name) {
    cwtest::ScopedEnv root("CW_REGISTRY_ROOT", m_root / "registry");
    std::string value;
    return cwplat::RegGetString(cwplat::RegHive::LocalMachine, kUninstallKey, name, value) ? value : "<missing>";
  }
};

TEST_F(SamplePackageInstall, InstallsFilesSettingsAndLogIntoQuotedFolder) {
  const samplepkg::RunResult run = Install("ja");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "") << "a silent installer prints nothing";

  namespace fs = std::filesystem;
  const fs::perms exe = fs::status(m_dir + "/Murmelon.exe").permissions();
  EXPECT_NE(exe & fs::perms::owner_exec, fs::perms::none);
  EXPECT_NE(exe & fs::perms::others_exec, fs::perms::none);
  EXPECT_EQ(cwtest::ReadFile(m_dir + "/settings.ini"), "[Settings]\nLanguage=ja\nTracking=setup_abc.exe\n");
  // The data must come out byte for byte as the build made it.
  const std::string data = cwtest::ReadFile(m_dir + "/murmelon.dat");
  EXPECT_GE(data.size(), 2u * 1024 * 1024);
  EXPECT_TRUE(data == cwtest::ReadFile(std::string(CW_BINARY_DIR) + "/tools/sample-package/murmelon.dat"));

  const std::string log = cwtest::ReadFile(m_log);
  const auto started = log.find("Setup started");
  const auto destDir = log.find("Dest dir: " + m_dir + "\n");
  const auto finished = log.find("Installation finished");
  ASSERT_NE(started, std::string::npos) << log;
  ASSERT_NE(destDir, std::string::npos) << log;
  ASSERT_NE(finished, std::string::npos) << log;
  EXPECT_LT(started, destDir);
  EXPECT_LT(destDir, finished);
}

TEST_F(SamplePackageInstall, RecordsUninstallEntryInRegistryStore) {
  ASSERT_EQ(Install("ja").exitCode, 0);
  EXPECT_EQ(Registry("DisplayName"), "Quorla Murmelon");
  EXPECT_EQ(Registry("DisplayVersion"), "1.0.0.0");
  EXPECT_EQ(Registry("InstallLocation"), m_dir + "/");
  EXPECT_EQ(Registry("Inno Setup: Language"), "ja");

  // A second install over the first replaces files and values in place.
  ASSERT_EQ(Install("de").exitCode, 0);
  EXPECT_EQ(Registry("Inno Setup: Language"), "de");
  EXPECT_EQ(cwtest::ReadFile(m_dir + "/settings.ini"), "[Settings]\nLanguage=de\nTracking=setup_abc.exe\n");
}

TEST_F(SamplePackageInstall, InstalledProductStartsAndLeavesNote) {
  ASSERT_EQ(Install("zhcn").exitCode, 0);
  const samplepkg::RunResult run = samplepkg::Run(m_dir + "/Murmelon.exe", {"--first", "two words"});
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(run.output, "Quorla Murmelon 1.0.0.0 started (language zhcn)\n");

  const std::string note = cwtest::ReadFile(m_dir + "/started.txt");
  EXPECT_NE(note.find("\nlanguage=zhcn\n"), std::string::npos) << note;
  EXPECT_NE(note.find("\nargc=2\narg1=--first\narg2=two words\n"), std::string::npos) << note;
  EXPECT_EQ(note.rfind("pid=", 0), 0u) << note;
  EXPECT_EQ(note.find("pid=0\n"), std::string::npos) << note;
  EXPECT_NE(note.find("\ntime=20"), std::string::npos) << note;
}

TEST_F(SamplePackageInstall, OptionalSwitchesHaveDefaultsAndUnknownOnesAreIgnored) {
  // /sptrack as the last argument has no value; /LOG absent means no log.
  const samplepkg::RunResult run =
      samplepkg::Run(samplepkg::PackagePath(), {"/dir=" + m_dir, "/UNKNOWN", "-x", "/sptrack"}, m_env);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(cwtest::ReadFile(m_dir + "/settings.ini"), "[Settings]\nLanguage=en\nTracking=\n");
  EXPECT_EQ(Registry("Inno Setup: Language"), "en");
  EXPECT_FALSE(std::filesystem::exists(m_root / "logs"));

  // A product without its settings file still starts, in the default language.
  std::filesystem::remove(m_dir + "/settings.ini");
  EXPECT_EQ(samplepkg::Run(m_dir + "/Murmelon.exe", {}).output, "Quorla Murmelon 1.0.0.0 started (language en)\n");
}

}  // namespace
