// The silent installer run against stand-in packages: a normal end, the
// one-second wait steps and their time-out, and packages that never start.
#include "InstallRunSupport.h"
#include "SilentInstall.h"
#include "SingleUserLog.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using installtest::ReadLines;
using installtest::RecordingWindow;
using installtest::WriteRecorder;
using Calls = std::vector<std::string>;

namespace {

class SilentInstall : public ::testing::Test {
 protected:
  SilentInstallRun Run(const std::string& package, std::uint32_t timeout) const {
    SilentInstallRun run;
    run.command.installerPath = package;
    run.command.softwareName = "Quorla";
    run.command.installFolder = m_dir / "Program \"Files\"/Quorla";
    run.command.logFolder = m_dir / "logs";
    run.command.ownExePath = "/dl/quorla.exe";
    run.installTimeout = timeout;
    return run;
  }
  std::string Package(const std::string& tail) const { return WriteRecorder(m_dir / "setup", m_dir / "args", tail); }

  cwtest::TempDir m_dir;
  RecordingWindow m_window;
  cwtest::LogCapture m_log;
};

TEST_F(SilentInstall, NormalEndReportsTimeAndPassesTheCommandIntact) {
  const SilentInstallRun run = Run(Package("exit 3"), 0);
  EXPECT_EQ(RunSilentInstaller(m_window, run), SilentInstallResult::Finished);
  EXPECT_EQ(m_window.calls, (Calls{"done 0", "post 2947", "done 1"}));
  const auto command = FuntionImpl::BuildInstallerCommand(run.command);
  EXPECT_EQ(ReadLines(m_dir / "args"), std::vector<std::string>(command->argv.begin() + 1, command->argv.end()));
  EXPECT_TRUE(m_log.has(" [Download File Path]: " + run.command.installerPath));
  EXPECT_TRUE(m_log.has(" [Start Install CmdLine]: " + command->text));
  EXPECT_TRUE(m_log.has(" User event Download / 5.ProgramInstall / First"));
  EXPECT_TRUE(m_log.has(" Funnel event CoreFuncEvent / Installing / 0 / Download / CoreFuncStart / null"));
  EXPECT_TRUE(m_log.has(" Funnel event CoreFuncEvent / Installing / 1 / Download / ProgramInstall / null"));
  EXPECT_TRUE(m_log.has(" User event Other / MInstallTime / 0"));
  EXPECT_TRUE(m_log.has(" Funnel event CoreFuncEvent / Installing / 2 / Download / ProgramFinsh / null"));
  EXPECT_TRUE(m_log.has(" install Finished, nWaitSeconds: 0"));
}

TEST_F(SilentInstall, OneUnfinishedStepIsNotYetATimeOut) {
  EXPECT_EQ(RunSilentInstaller(m_window, Run(Package("/bin/sleep 1.4"), 0)), SilentInstallResult::Finished);
  EXPECT_TRUE(m_log.has(" install Finished, nWaitSeconds: 1"));
  EXPECT_TRUE(m_log.has(" User event Other / MInstallTime / 1"));
}

TEST_F(SilentInstall, HangingPackageTimesOutAfterTwoStepsAndRunsOn) {
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(RunSilentInstaller(m_window, Run(Package("exec /bin/sleep 30"), 0)), SilentInstallResult::TimedOut);
  const auto took = std::chrono::steady_clock::now() - begin;
  EXPECT_GE(took, std::chrono::milliseconds(1950));
  EXPECT_LT(took, std::chrono::milliseconds(2900));
  EXPECT_EQ(m_window.calls, (Calls{"done 0", "post 2947", "done 1", "post 2948"}));
  EXPECT_TRUE(m_log.has(" User event Other / FlowError / DL016"));
  EXPECT_TRUE(m_log.has(" Funnel event CoreFuncEvent / Installing / 0 / Download / CoreFuncEnd / null"));
  EXPECT_TRUE(m_log.has(" Cmd nWaitSeconds timed out: 0"));
  EXPECT_FALSE(m_log.has(" install Finished, nWaitSeconds: 2"));

  const auto pid = ReadLines(m_dir / "args.pid");
  ASSERT_EQ(pid.size(), 1u);
  EXPECT_TRUE(installtest::ProcessExists(std::stoi(pid.front())));
  EXPECT_TRUE(installtest::KillAndWaitGone(std::stoi(pid.front())));
}

TEST_F(SilentInstall, PackageThatCannotStartIsGivenUpAtOnce) {
  cwtest::WriteFile(m_dir / "unrunnable", "#!/bin/sh\n");
  SilentInstallRun tooLong = Run(Package(""), 600);
  tooLong.command.installFolder = std::string(1100, 'x');
  for (const SilentInstallRun& run : {Run(m_dir / "missing", 600), Run(m_dir / "unrunnable", 600), tooLong}) {
    RecordingWindow window;
    cwtest::LogCapture log;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(RunSilentInstaller(window, run), SilentInstallResult::TimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(900));
    EXPECT_EQ(window.calls, (Calls{"done 1", "post 2948"}));
    EXPECT_TRUE(log.has(" User event Other / FlowError / DL016"));
  }
  EXPECT_FALSE(std::filesystem::exists(m_dir / "args"));  // the over-long command never ran
}

TEST_F(SilentInstall, InputsComeFromTheWindowAndItsConfiguration) {
  CEmbeddedLabels labels;
  ASSERT_TRUE(labels.parse(R"(<V><V name="Product_config">
      <Label name="Downloader_id" text="122"/><Label name="Software_name" text="Quorla Murmelon"/>
      </V></V>)"));
  m_window.configure().loadFromResource(labels, true);
  m_window.folder = m_dir / "Quorla Murmelon";
  m_window.language = Japanese;
  m_window.retry = true;
  EXPECT_EQ(RunSilentInstaller(m_window, Package("exit 0")), SilentInstallResult::Finished);

  const auto args = ReadLines(m_dir / "args");
  ASSERT_EQ(args.size(), 8u);
  EXPECT_EQ(args[3], "/DIR=" + (m_dir / "Quorla Murmelon/"));
  EXPECT_EQ(args[4], "/LANG=jp");
  EXPECT_EQ(args[5].rfind("/LOG=" + CSingleUserLog::GetInstance().GetLogFolder() + "/Quorla Murmelon_Setup_", 0), 0u)
      << args[5];
  EXPECT_EQ(args[7], "installrun_tests");  // this executable's name holds '_'
  EXPECT_TRUE(m_log.has(" User event Download / 5.ProgramInstall / Retry"));
}

}  // namespace
