// The installer's command line: language codes, tracking value, log name,
// the logged text against the argument vector, and the length limit.
#include "SilentInstallCommand.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

using FuntionImpl::BuildInstallerCommand;
using FuntionImpl::InstallerCommandInput;
using FuntionImpl::InstallerLanguageCode;
using FuntionImpl::InstallerTrackingValue;

namespace {

InstallerCommandInput Input(const std::string& folder) {
  InstallerCommandInput in;
  in.installerPath = "/cache/QuorlaSetup.exe";
  in.softwareName = "Quorla";
  in.installFolder = folder;
  in.logFolder = "/data/logs";
  in.ownExePath = "/home/u/Downloads/quorla_setup_abc.exe";
  in.languageIndex = 1;
  in.downloaderId = 122;
  in.time = {2024, 3, 5, 7, 8, 9, 123};
  return in;
}

TEST(InstallerCommand, LanguageCodes) {
  EXPECT_EQ(InstallerLanguageCode(1, 121), "ja");
  for (int id : {117, 120, 122, 125}) EXPECT_EQ(InstallerLanguageCode(1, id), "jp") << id;
  EXPECT_EQ(InstallerLanguageCode(0, 122), "en");
  EXPECT_EQ(InstallerLanguageCode(19, 0), "cz");
  EXPECT_EQ(InstallerLanguageCode(20, 122), "en");
  EXPECT_EQ(InstallerLanguageCode(-1, 0), "en");
}

TEST(InstallerCommand, TrackingValueAndLogName) {
  EXPECT_EQ(InstallerTrackingValue("/dl/setup_abc.exe"), "setup_abc.exe");
  EXPECT_EQ(InstallerTrackingValue("/dl/setup.exe"), "null");
  EXPECT_EQ(InstallerTrackingValue("/my_dl/setup"), "null");  // only the file name counts
  EXPECT_EQ(InstallerTrackingValue(""), "null");
  EXPECT_EQ(FuntionImpl::InstallerLogName("AC/DC", {2024, 12, 31, 23, 5, 0, 0}), "AC_DC_Setup_20241231230500.log");
}

TEST(InstallerCommand, TextAndArgumentsCarryTheSameValues) {
  const auto command = BuildInstallerCommand(Input("/opt/Quorla"));
  ASSERT_TRUE(command);
  EXPECT_EQ(command->text,
            " /VERYSILENT /SP- /NORESTART /DIR=\"/opt/Quorla/\" /LANG=jp"
            " /LOG=\"/data/logs/Quorla_Setup_20240305070809.log\" /sptrack quorla_setup_abc.exe");
  EXPECT_EQ(command->argv, (std::vector<std::string>{"/cache/QuorlaSetup.exe", "/VERYSILENT", "/SP-", "/NORESTART",
                                                     "/DIR=/opt/Quorla/", "/LANG=jp",
                                                     "/LOG=/data/logs/Quorla_Setup_20240305070809.log", "/sptrack",
                                                     "quorla_setup_abc.exe"}));
  // A folder that would break a quoted command line is one argument here.
  const auto odd = BuildInstallerCommand(Input("/opt/a \" /LANG=xx \"b/"));
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->argv[4], "/DIR=/opt/a \" /LANG=xx \"b/");
  EXPECT_EQ(odd->argv[5], "/LANG=jp");
  EXPECT_EQ(BuildInstallerCommand(Input("/"))->argv[4], "/DIR=/");
}

TEST(InstallerCommand, LongerThanTheBufferIsRefused) {
  const std::size_t base = BuildInstallerCommand(Input(""))->text.size();
  const std::string fill(FuntionImpl::kMaxInstallerCommandChars - base, 'x');
  const auto fits = BuildInstallerCommand(Input(fill));
  ASSERT_TRUE(fits);
  EXPECT_EQ(fits->text.size(), FuntionImpl::kMaxInstallerCommandChars);

  cwtest::LogCapture log;
  EXPECT_FALSE(BuildInstallerCommand(Input(fill + "x")));
  EXPECT_TRUE(log.has(" Install command line refused: 1024 characters, at most 1023 fit"));
  // Characters, not bytes: two-byte letters in place of the filler still fit.
  EXPECT_TRUE(BuildInstallerCommand(Input(std::string(fill.size() - 1, 'x') + "\xc3\xa9")));
}

}  // namespace
