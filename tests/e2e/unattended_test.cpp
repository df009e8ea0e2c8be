// The whole install from a terminal: the real executable in unattended mode
// downloads the signed sample package from the local service stack, verifies
// it, installs it and starts the product.
#include "E2eSandbox.h"
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

namespace {

using e2etest::Sandbox;
namespace fs = std::filesystem;

using e2etest::DeploymentFor;
using e2etest::kPackage;
using e2etest::kPackageDir;

struct UnattendedRun {
  int exitCode = -1;
  std::string output;
};

class Unattended : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kPackageDir + "/files/" + kPackage)) << "the sample package is built with the tests";
    server = std::make_unique<devtest::DevServer>(cwtest::ReadFile(kPackageDir + "/devserver.json"), true);
    fs::copy_file(kPackageDir + "/files/" + kPackage, server->root() + "/" + kPackage);
    cwtest::WriteFile(box.dir() + "/deployment.xml", DeploymentFor(*server));
    box.env()["CW_DEPLOYMENT_FILE"] = box.dir() + "/deployment.xml";
  }

  UnattendedRun Run(const std::vector<std::string>& args, const std::string& workingFolder = "") {
    auto child = box.Start(args, workingFolder);
    UnattendedRun run;
    run.exitCode = child->Wait(240000);
    run.output = cwtest::ReadFile(box.dir() + "/stdout.txt");
    return run;
  }

  std::string installDir() const { return box.dir() + "/My \"Apps\" -close01/Quorla Murmelon"; }

  Sandbox box;
  std::unique_ptr<devtest::DevServer> server;
};

TEST_F(Unattended, InstallsTheSignedPackageAndStartsTheProduct) {
  // Started elsewhere, as a launcher starts it in the home folder.
  const std::string elsewhere = box.dir() + "/elsewhere";
  fs::create_directories(elsewhere);
  const UnattendedRun run = Run(
      {"--unattended", "--accept-license", "--lang", "ja", "--dir", box.dir() + "/My \"Apps\" -close01"}, elsewhere);
  ASSERT_EQ(run.exitCode, 0) << run.output << cwtest::ReadFile(box.LogWith(" Start "));
  EXPECT_NE(run.output.find("installed"), std::string::npos) << run.output;
  EXPECT_TRUE(fs::exists(installDir() + "/Murmelon.exe"));
  EXPECT_NE(cwtest::ReadFile(installDir() + "/settings.ini").find("ja"), std::string::npos);
  // NeedStart_flag is 1: the product was started at the end.
  const std::string log = cwtest::ReadFile(box.LogWith(" Start "));
  EXPECT_TRUE(cwtest::WaitUntil(10000, [&] { return fs::exists(installDir() + "/started.txt"); }))
      << run.output << log.substr(log.size() > 6000 ? log.size() - 6000 : 0);

  EXPECT_NE(log.find(" Firewall authorisation skipped for " + box.exe()), std::string::npos)
      << "the firewall step of start-up";
  EXPECT_NE(log.find(" VerifyEmbeddedSignature result is 0"), std::string::npos);
  EXPECT_NE(log.find(" install Finished, nWaitSeconds: "), std::string::npos);
  EXPECT_NE(log.find("/LANG=ja"), std::string::npos);
  bool queried = false, downloaded = false, pageViews = false, funnels = false;
  for (const Json::Value& record : server->Records()) {
    const std::string path = record["path"].asString();
    queried |= path == "/queryDownloaderV2";
    downloaded |= path == "/files/" + kPackage;
    pageViews |= path == "/g/collect";
    funnels |= path == "/collect" || path == "/collector";
  }
  EXPECT_TRUE(queried);
  EXPECT_TRUE(downloaded);
  EXPECT_TRUE(pageViews) << "events reach the analytics collectors";
  EXPECT_TRUE(funnels);
  // The analytics transport's files are beside the program, not where it was started.
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_TRUE(fs::exists(box.dir() + "/bin/Logs/SoftwareLog.log"));
}

TEST_F(Unattended, TamperedPackageEndsWithTheSignatureCode) {
  // The served MD5 follows the file, so only the signature can catch this.
  {
    std::fstream file(server->root() + "/" + kPackage, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);
    file.put('\x5a');
  }
  const UnattendedRun run = Run({"--unattended", "--accept-license", "--dir", box.dir() + "/Apps"});
  EXPECT_EQ(run.exitCode, 3) << run.output;
  EXPECT_FALSE(fs::exists(box.dir() + "/Apps/Quorla Murmelon/Murmelon.exe"));
  const std::string log = cwtest::ReadFile(box.LogWith(" Start "));
  EXPECT_NE(log.find(" Send error report2"), std::string::npos);
}

TEST_F(Unattended, CrashTestSettingCrashesWhenTheInstallStarts) {
  box.WriteSettings("[Settings]\nCrashTest=1\n");
  const UnattendedRun run = Run({"--unattended", "--accept-license", "--dir", box.dir() + "/Apps"});
  EXPECT_EQ(run.exitCode, 128 + SIGSEGV) << run.output;
  // The crash comes before the install: no query, no download.
  for (const Json::Value& record : server->Records()) {
    const std::string path = record["path"].asString();
    EXPECT_NE(path, "/queryDownloaderV2");
    EXPECT_NE(path, "/files/" + kPackage);
  }
  EXPECT_FALSE(fs::exists(box.dir() + "/Apps/Quorla Murmelon/Murmelon.exe"));
  // Through the program's crash handler: the dump lies beside the log (no
  // configuration yet, so no upload copy takes them away).
  const std::string log = box.LogWith(" CrashTest: provoking a crash");
  ASSERT_NE(log, "");
  EXPECT_TRUE(fs::exists(log + ".dmp"));
  EXPECT_NE(cwtest::ReadFile(log).find(" Unattended install into "), std::string::npos) << "start-up went through";
}

TEST_F(Unattended, BadArgumentsAndHelp) {
  EXPECT_EQ(Run({"--unattended", "--dir", "/tmp/x"}).exitCode, 1) << "licence not accepted";
  const UnattendedRun help = Run({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("Exit codes"), std::string::npos);
  EXPECT_NE(help.output.find("  7  this system is not supported"), std::string::npos);
}

}  // namespace
