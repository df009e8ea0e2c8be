// zipLogsAndDumps and uploadLogArchive in this process, against the local
// service stack over HTTPS: what the archive holds, how the form looks, and
// what stays on disk afterwards.
#include "CrashTestSupport.h"
#include "Deployment.h"
#include "LogUpload.h"
#include "SingleUserLog.h"
#include "support/LogCapture.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace fs = std::filesystem;
using crashtest::kStamp;
using crashtest::Matches;
using crashtest::UploadServer;

namespace {

class LogUpload : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.server().ready());
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(m_server.DeploymentXml()));
    CSingleUserLog::GetInstance().InitLogPaths("QuorlaMurmelon_setup");
    m_logFolder = CSingleUserLog::GetInstance().GetLogFolder();
    ASSERT_EQ(m_logFolder, m_dir / "data/CWDownloader/logs/QuorlaMurmelon_setup");
  }
  void TearDown() override { FuntionImpl::SetLogUploadLimitsForTesting({}); }

  std::string InLogs(const std::string& name) const { return m_logFolder + "/" + name; }
  std::vector<std::string> Archives() const { return crashtest::FilesMatching(m_logFolder, kStamp + ".zip"); }
  Json::Value OnlyUpload() const {
    EXPECT_TRUE(m_server.WaitForUploads(1, 5000));
    const auto uploads = m_server.Uploads();
    EXPECT_EQ(uploads.size(), 1u);
    return uploads.empty() ? Json::Value() : uploads.front();
  }
  std::vector<std::string> StoredEntries() const {
    const auto stored = m_server.StoredArchives();
    EXPECT_EQ(stored.size(), 1u);
    if (stored.empty()) return {};
    return crashtest::ZipEntries(stored.front()).value_or(std::vector<std::string>{"<unreadable>"});
  }

  cwtest::TempDir m_dir;
  cwtest::ScopedEnv m_data{"XDG_DATA_HOME", m_dir / "data"};
  cwtest::ScopedEnv m_cache{"XDG_CACHE_HOME", m_dir / "cache"};
  UploadServer m_server;
  std::string m_logFolder;
};

TEST_F(LogUpload, LogAndTheDumpBesideItGoAsAFormAndNothingIsLeftBehind) {
  cwtest::WriteFile(InLogs("install_20240101.log"), "line one\nline two\n");
  cwtest::WriteFile(InLogs("install_20240101.log.dmp"), "CW crash report 1\n");
  cwtest::WriteFile(InLogs("older.dmp"), "not packed: the log has its own dump");

  ASSERT_EQ(FuntionImpl::zipLogsAndDumps("install_20240101.log", "CrashDmp", "", true), 0);

  const Json::Value upload = OnlyUpload();
  EXPECT_EQ(upload["status"].asInt(), 200);
  EXPECT_EQ(upload["fault"].asString(), "");  // the form has the shape the service expects
  EXPECT_TRUE(Matches(UploadServer::FileName(upload), "install_" + kStamp + ".zip"))
      << UploadServer::FileName(upload);
  EXPECT_EQ(UploadServer::Field(upload, "product_id"), "CWDownload2900");
  EXPECT_EQ(UploadServer::Field(upload, "catalogue"), "CrashDmp");
  EXPECT_TRUE(UploadServer::Field(upload, "version").has_value());

  EXPECT_EQ(StoredEntries(), (std::vector<std::string>{"install_20240101.log", "install_20240101.log.dmp"}));
  EXPECT_EQ(crashtest::ZipEntry(m_server.StoredArchives().front(), "install_20240101.log"), "line one\nline two\n");
  EXPECT_TRUE(Archives().empty());
  EXPECT_FALSE(fs::exists(InLogs("install_20240101.log_copy.log")));
  EXPECT_TRUE(fs::exists(InLogs("install_20240101.log.dmp")));  // dumps are not the upload's to delete
}

TEST_F(LogUpload, WithoutADumpBesideTheLogEveryDumpOfTheFolderGoes) {
  cwtest::WriteFile(InLogs("install_1.log"), "log");
  cwtest::WriteFile(InLogs("b.dmp"), "b");
  cwtest::WriteFile(InLogs("a.dmp"), "a");
  fs::create_directories(InLogs("folder.dmp"));  // not a file
  cwtest::WriteFile(InLogs("notes.txt"), "not a dump");

  ASSERT_EQ(FuntionImpl::zipLogsAndDumps("install_1.log", "CrashDmp", "", true), 0);
  OnlyUpload();
  EXPECT_EQ(StoredEntries(), (std::vector<std::string>{"install_1.log", "a.dmp", "b.dmp"}));
}

TEST_F(LogUpload, ExtraFileGoesUnderItsNameAndAnEmptyCatalogueIsDefault) {
  cwtest::WriteFile(InLogs("install_1.log"), "log");
  cwtest::WriteFile(InLogs("a.dmp"), "a");  // no dumps asked for
  cwtest::WriteFile(m_dir / "extra.bin", "extra");

  ASSERT_EQ(FuntionImpl::zipLogsAndDumps("install_1.log", "", m_dir / "extra.bin", false), 0);
  const Json::Value upload = OnlyUpload();
  EXPECT_EQ(UploadServer::Field(upload, "catalogue"), "default");
  EXPECT_EQ(StoredEntries(), (std::vector<std::string>{"install_1.log", "extra.bin"}));
}

TEST_F(LogUpload, LogNameWithoutUnderscoreIsUploadedUnderANoName) {
  cwtest::WriteFile(InLogs("install.log"), "log");
  ASSERT_EQ(FuntionImpl::zipLogsAndDumps("install.log", "close01", "", false), 0);
  const Json::Value upload = OnlyUpload();
  EXPECT_TRUE(Matches(UploadServer::FileName(upload), "NoName_" + kStamp + ".zip"))
      << UploadServer::FileName(upload);
}

TEST_F(LogUpload, FailedUploadKeepsTheArchiveAndTheCopy) {
  ASSERT_EQ(m_server.server().Control(R"({"log_upload": {"mode": "500"}})"), 200);
  cwtest::WriteFile(InLogs("install_1.log"), "log");

  EXPECT_EQ(FuntionImpl::zipLogsAndDumps("install_1.log", "close02", "", false), 0);
  EXPECT_EQ(OnlyUpload()["status"].asInt(), 500);
  const auto archives = Archives();
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_EQ(crashtest::ZipEntries(InLogs(archives[0])), (std::vector<std::string>{"install_1.log"}));
  EXPECT_EQ(cwtest::ReadFile(InLogs("install_1.log_copy.log")), "log");
  EXPECT_TRUE(m_server.StoredArchives().empty());
}

TEST_F(LogUpload, AStalledServiceDoesNotHoldTheUploadForEver) {
  ASSERT_EQ(m_server.server().Control(R"({"log_upload": {"mode": "slow", "slow_seconds": 60}})"), 200);
  FuntionImpl::SetLogUploadLimitsForTesting({5, 60, 100, 2});
  cwtest::WriteFile(InLogs("install_1.log"), "log");

  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(FuntionImpl::zipLogsAndDumps("install_1.log", "close02", "", false), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
  EXPECT_EQ(Archives().size(), 1u);
}

TEST_F(LogUpload, ArchiveUploadFailuresAreReportedByCode) {
  EXPECT_EQ(uploadLogArchive("a.zi", "", "CWDownload2900", "1.0.0.1", ""), -1);
  EXPECT_EQ(uploadLogArchive(m_dir / "missing.zip", "x.zip", "CWDownload2900", "1.0.0.1", ""), -3);
  // A service whose certificate nobody vouches for is refused: checking stays on.
  cwtest::WriteFile(m_dir / "a.zip", "zip");
  ASSERT_TRUE(CDeployment::Instance().LoadFromText(m_server.DeploymentXml(false)));
  EXPECT_EQ(uploadLogArchive(m_dir / "a.zip", "x.zip", "CWDownload2900", "1.0.0.1", ""), -3);
  EXPECT_TRUE(m_server.Uploads().empty());
}

// The upload opens http and https only: a file:// endpoint would otherwise
// write the archive into a local file, an ftp:// one send it elsewhere.
TEST_F(LogUpload, EndpointsOfOtherSchemesAreRefused) {
  cwtest::WriteFile(m_dir / "a.zip", "zip");
  for (const std::string& url : std::vector<std::string>{"file://" + (m_dir / "copy.zip"), "ftp://127.0.0.1:1/v1/productLogUpload",
                                "FTP://127.0.0.1:1/v1/productLogUpload"}) {
    SCOPED_TRACE(url);
    cwtest::LogCapture log;
    EXPECT_EQ(FuntionImpl::UploadLogArchiveTo(url, m_dir / "a.zip", "x.zip", "CWDownload2900", "1.0.0.1", ""), -3);
    EXPECT_TRUE(log.has(" Log upload to " + url + ": " + curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL) +
                        ", status 0"));
  }
  EXPECT_FALSE(fs::exists(m_dir / "copy.zip"));
}

TEST_F(LogUpload, NamesWithAFolderPartAreRefused) {
  cwtest::WriteFile(m_dir / "secret_1.log", "not for upload");
  EXPECT_EQ(FuntionImpl::zipLogsAndDumps("../../../secret_1.log", "close02", "", false), -1);
  EXPECT_EQ(FuntionImpl::zipLogsAndDumps("", "close02", "", false), -1);
  EXPECT_TRUE(Archives().empty());
  EXPECT_TRUE(m_server.Uploads().empty());
}

// ---- where an upload run finds what it packs ----

class UploadRunPlan : public ::testing::Test {
 protected:
  UploadRunPlan() {
    fs::create_directories(m_logs);
    fs::create_directories(m_temp);
  }
  FuntionImpl::UploadRunPlan Plan(const std::string& name, bool dumps = true) const {
    return FuntionImpl::PlanUploadRun(name, dumps, m_logs, "run_2.log", m_temp + "/");
  }

  cwtest::TempDir m_dir;
  std::string m_logs = m_dir / "logs";
  std::string m_temp = m_dir / "tmp";
};

TEST_F(UploadRunPlan, DumpBesideItsLogGoesWithThatLog) {
  cwtest::WriteFile(m_logs + "/run_1.log", "");
  cwtest::WriteFile(m_logs + "/run_1.log.dmp", "");
  const auto plan = Plan("run_1.log.dmp");
  EXPECT_TRUE(plan.valid);
  EXPECT_EQ(plan.logFileName, "run_1.log");
  EXPECT_EQ(plan.extraFile, "");
  EXPECT_EQ(plan.dumpPath, m_logs + "/run_1.log.dmp");
}

TEST_F(UploadRunPlan, OtherDumpsGoWithThisRunsLog) {
  cwtest::WriteFile(m_logs + "/orphan.log.dmp", "");  // its log is gone
  auto plan = Plan("orphan.log.dmp");
  EXPECT_EQ(plan.logFileName, "run_2.log");
  EXPECT_EQ(plan.dumpPath, m_logs + "/orphan.log.dmp");

  cwtest::WriteFile(m_temp + "/0_1.0.0.1_20240101000000000.dmp", "");
  plan = Plan("0_1.0.0.1_20240101000000000.dmp");
  EXPECT_EQ(plan.logFileName, "run_2.log");
  EXPECT_EQ(plan.extraFile, m_temp + "/0_1.0.0.1_20240101000000000.dmp");
  EXPECT_EQ(plan.dumpPath, plan.extraFile);
}

TEST_F(UploadRunPlan, NothingOutsideTheTwoFoldersAndNoTemporaryFileButADump) {
  cwtest::WriteFile(m_temp + "/private.txt", "");
  auto plan = Plan("private.txt");
  EXPECT_TRUE(plan.valid);
  EXPECT_EQ(plan.extraFile, "");
  EXPECT_EQ(plan.dumpPath, "");
  EXPECT_FALSE(Plan("../tmp/private.txt").valid);
  EXPECT_FALSE(Plan("/etc/passwd").valid);
  EXPECT_FALSE(Plan("..").valid);
  EXPECT_FALSE(Plan("").valid);
  plan = Plan("missing.dmp");
  EXPECT_TRUE(plan.valid);
  EXPECT_EQ(plan.dumpPath, "");
}

TEST_F(UploadRunPlan, CloseFormUploadsTheNamedLog) {
  const auto plan = Plan("run_1.log", false);
  EXPECT_TRUE(plan.valid);
  EXPECT_EQ(plan.logFileName, "run_1.log");
  EXPECT_EQ(plan.extraFile, "");
  EXPECT_FALSE(Plan("a/run_1.log", false).valid);
}

}  // namespace
