// The program crashing in a sandbox (the harness build, through its switch),
// and its upload runs talking to the local service stack.
#include "CrashTestSupport.h"
#include "platform/crash_handler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;
using crashtest::Sandbox;
using crashtest::UploadServer;

namespace {

using crashtest::kStamp;
using crashtest::Matches;

const std::string kRunLog = "QuorlaMurmelon_setup_" + kStamp + ".log";

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class UploadRun : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_server.server().ready()); }
  std::vector<std::string> Logs() const { return crashtest::FilesMatching(m_box.logFolder(), kRunLog); }
  std::string LogText(const std::string& name) const { return cwtest::ReadFile(m_box.logFolder() + "/" + name); }
  // No archive and no copy left in the log folder (the upload run has finished its clean-up).
  bool LogFolderClean() const {
    return crashtest::FilesMatching(m_box.logFolder(), "*.zip").empty() &&
           crashtest::FilesMatching(m_box.logFolder(), "*_copy.log").empty();
  }

  UploadServer m_server;
  Sandbox m_box{&m_server};
};

class CrashRun : public UploadRun {
 protected:
  void SetUp() override {
    if (crashtest::SanitizerKeepsFatalSignals()) GTEST_SKIP() << "the sanitizer runtime keeps the fatal signals";
    UploadRun::SetUp();
  }
};

TEST_F(CrashRun, CrashLeavesADumpBesideTheLogAndItsUploadCopyDeliversBoth) {
  m_box.env()["CW_CRASH_TEST"] = "startup";
  m_box.env()["CW_CRASH_TEST_DOWNLOADER_CONFIG"] = "1";
  ASSERT_EQ(m_box.Run(), 128 + SIGSEGV);

  ASSERT_TRUE(m_server.WaitForUploads(1, 20000)) << m_box.output();
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] { return Logs().size() == 2 && LogFolderClean(); })) << m_box.output();
  const auto logs = Logs();  // the crashed run's, then the upload run's
  const std::string crashedLog = logs[0];
  const auto dumps = crashtest::FilesMatching(m_box.logFolder(), "*.dmp");
  ASSERT_EQ(dumps, (std::vector<std::string>{crashedLog + ".dmp"}));
  const std::string dump = cwtest::ReadFile(m_box.logFolder() + "/" + dumps[0]);
  EXPECT_TRUE(Contains(dump, "\nsignal: 11 SIGSEGV\n"));
  EXPECT_TRUE(Contains(dump, "\nversion: 1.0.0.1\ndownloader id: 521\ndownloader config: 1\n"));
  EXPECT_TRUE(Contains(dump, "\nlog:  Release mutex: 1, 0\n"));  // the instance lock was held and let go

  const Json::Value upload = m_server.Uploads().front();
  EXPECT_EQ(upload["status"].asInt(), 200);
  EXPECT_EQ(UploadServer::Field(upload, "catalogue"), "CrashDmp");
  EXPECT_EQ(UploadServer::Field(upload, "product_id"), "CWDownload2900");
  EXPECT_EQ(UploadServer::Field(upload, "version"), "1.0.0.1");
  EXPECT_TRUE(Matches(UploadServer::FileName(upload), "QuorlaMurmelon_setup_" + kStamp + ".zip"));
  const auto stored = m_server.StoredArchives();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(crashtest::ZipEntries(stored[0]), (std::vector<std::string>{crashedLog, crashedLog + ".dmp"}));
  EXPECT_EQ(crashtest::ZipEntry(stored[0], crashedLog + ".dmp"), dump);

  // The handler's lines, recorded in the dump, reach the upload run's log.
  const std::string uploadLog = LogText(logs[1]);
  EXPECT_TRUE(Contains(uploadLog, "command line [-dmp " + crashedLog + ".dmp]"));
  for (const char* line : {" Exception handler entered.", " Release mutex: 1, 0", " Write dmp file: 1, 0"}) {
    EXPECT_TRUE(Contains(uploadLog, line)) << line;
  }
}

TEST_F(CrashRun, DownloaderConfigZeroWritesTheDumpButStartsNoUpload) {
  m_box.env()["CW_CRASH_TEST"] = "startup";
  ASSERT_EQ(m_box.Run(), 128 + SIGSEGV);
  const auto logs = Logs();
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_TRUE(fs::exists(m_box.logFolder() + "/" + logs[0] + ".dmp"));
  std::this_thread::sleep_for(std::chrono::seconds(2));
  EXPECT_EQ(Logs().size(), 1u);  // no upload run started
  EXPECT_TRUE(m_server.Uploads().empty());
}

TEST_F(CrashRun, CrashBeforeTheLogExistsWritesIntoTheTemporaryFolder) {
  m_box.env()["CW_CRASH_TEST"] = "early:abort";
  m_box.env()["CW_CRASH_TEST_DOWNLOADER_CONFIG"] = "2";
  ASSERT_EQ(m_box.Run(), 128 + SIGABRT);
  const auto dumps = crashtest::FilesMatching(m_box.tempFolder(), "0_1.0.0.1_" + kStamp + ".dmp");
  ASSERT_EQ(dumps.size(), 1u) << m_box.output();
  EXPECT_TRUE(Contains(cwtest::ReadFile(m_box.tempFolder() + "/" + dumps[0]), "\nsignal: 6 SIGABRT\n"));

  // The upload run finds it in the temporary folder and sends it with its own log.
  ASSERT_TRUE(m_server.WaitForUploads(1, 20000)) << m_box.output();
  ASSERT_TRUE(cwtest::WaitUntil(10000, [&] { return LogFolderClean(); }));
  const auto logs = Logs();
  ASSERT_EQ(logs.size(), 1u);  // the crashed run had none
  const auto stored = m_server.StoredArchives();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(crashtest::ZipEntries(stored[0]), (std::vector<std::string>{logs[0], dumps[0]}));
}

TEST_F(UploadRun, CloseFormUploadsTheLogWithItsReason) {
  ASSERT_EQ(m_box.Run(), 0);  // an ordinary run leaves its log
  const auto logs = Logs();
  ASSERT_EQ(logs.size(), 1u);
  cwtest::WriteFile(m_box.logFolder() + "/stray.dmp", "no dumps with a close upload");

  ASSERT_EQ(m_box.Run({"-close02", logs[0]}), 0);
  ASSERT_TRUE(m_server.WaitForUploads(1, 5000));
  const Json::Value upload = m_server.Uploads().front();
  EXPECT_EQ(UploadServer::Field(upload, "catalogue"), "close02");
  EXPECT_TRUE(Matches(UploadServer::FileName(upload), "QuorlaMurmelon_setup_" + kStamp + ".zip"));
  const auto stored = m_server.StoredArchives();
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(crashtest::ZipEntries(stored[0]), (std::vector<std::string>{logs[0]}));
  EXPECT_TRUE(LogFolderClean());
}

TEST_F(UploadRun, FailedUploadKeepsTheArchiveAndTheCopy) {
  ASSERT_EQ(m_box.Run(), 0);
  const std::string log = Logs().at(0);
  ASSERT_EQ(m_server.server().Control(R"({"log_upload": {"mode": "500"}})"), 200);

  ASSERT_EQ(m_box.Run({"-close05", log}), 0);  // the archive was made; sending it failed
  const auto archives = crashtest::FilesMatching(m_box.logFolder(), kStamp + ".zip");
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_EQ(crashtest::ZipEntries(m_box.logFolder() + "/" + archives[0]), (std::vector<std::string>{log}));
  EXPECT_TRUE(fs::exists(m_box.logFolder() + "/" + log + "_copy.log"));
  EXPECT_EQ(m_server.Uploads().at(0)["status"].asInt(), 500);
}

TEST_F(UploadRun, RefusesNamesOutsideItsFolders) {
  ASSERT_EQ(m_box.Run({"-dmp", "../../../etc/passwd"}), 1);
  EXPECT_TRUE(m_server.Uploads().empty());
}

}  // namespace
