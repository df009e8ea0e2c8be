#include "LogUpload.h"

#include "Deployment.h"
#include "ProtocolPolicy.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "TlsPolicy.h"
#include "platform/crash_handler.h"
#include "platform/file_io.h"
#include "platform/log.h"

#include <curl/curl.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <vector>

namespace FuntionImpl {
namespace {

// More dumps than this in one folder come from a crash loop; they would only
// make the archive huge.
constexpr std::size_t kMaxDumpsPerArchive = 64;
constexpr std::size_t kMaxResponseBytes = 64 * 1024;
constexpr std::string_view kDumpExtension = ".dmp";

std::mutex g_limitsMutex;
LogUploadLimits g_limits;

LogUploadLimits CurrentLimits() {
  std::lock_guard<std::mutex> lock(g_limitsMutex);
  return g_limits;
}

std::string TimeStamp(const cwplat::LocalTime& time) {
  char stamp[32];
  return std::string(stamp, cwplat::FormatCrashTimeStamp(time, stamp, sizeof stamp));
}

// A name inside one folder: no folder part, not "." or "..", no NUL.
bool IsPlainFileName(const std::string& name) {
  return !name.empty() && name.size() <= 255 && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool EndsWith(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

bool CopyLog(const std::string& from, const std::string& to) {
  std::error_code ec;
  std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, ec);
  if (ec) CWLOG << " Cannot copy the log " << from << ": " << ec.message();
  return !ec;
}

// The "*.dmp" files of a folder, by name.
std::vector<std::string> DumpsIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code typeError;
    if (EndsWith(name, kDumpExtension) && it->is_regular_file(typeError)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > kMaxDumpsPerArchive) {
    CWLOG << " " << names.size() << " dumps in " << folder << ", packing the first " << kMaxDumpsPerArchive;
    names.resize(kMaxDumpsPerArchive);
  }
  return names;
}

// A ZIP archive being written with libzip: entries are read from their files at Close.
class CLogArchive {
 public:
  ~CLogArchive() {
    if (m_zip != nullptr) zip_discard(m_zip);
  }
  bool Create(const std::string& path) {
    int error = 0;
    m_zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (m_zip == nullptr) CWLOG << " Cannot create the archive " << path << " (libzip error " << error << ")";
    return m_zip != nullptr;
  }
  void Add(const std::string& path, const std::string& entryName) {
    zip_source_t* source = zip_source_file(m_zip, path.c_str(), 0, -1);
    if (source == nullptr) {
      CWLOG << " Cannot pack " << path << ": " << zip_strerror(m_zip);
      return;
    }
    const zip_int64_t index = zip_file_add(m_zip, entryName.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      CWLOG << " Cannot pack " << path << " as " << entryName << ": " << zip_strerror(m_zip);
      zip_source_free(source);
      return;
    }
    zip_set_file_compression(m_zip, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
  }
  bool Close() {
    if (zip_close(m_zip) == 0) {
      m_zip = nullptr;
      return true;
    }
    CWLOG << " Cannot write the archive: " << zip_strerror(m_zip);
    return false;
  }

 private:
  zip_t* m_zip = nullptr;
};

std::size_t AppendResponse(char* data, std::size_t size, std::size_t nmemb, void* userdata) {
  auto* response = static_cast<std::string*>(userdata);
  const std::size_t bytes = size * nmemb;
  if (response->size() + bytes > kMaxResponseBytes) return 0;
  response->append(data, bytes);
  return nmemb;
}

void AddField(curl_mime* form, const char* name, const std::string& value) {
  curl_mimepart* part = curl_mime_addpart(form);
  curl_mime_name(part, name);
  curl_mime_data(part, value.c_str(), value.size());
}

void LogDumpHandlerLines(const std::string& dumpPath) {
  if (dumpPath.empty()) return;
  for (const std::string& line : cwplat::ReadCrashDumpLogLines(dumpPath)) CWLOG << line;
}

}  // namespace

std::string LogArchiveRemoteName(const std::string& logFileName, const cwplat::LocalTime& time) {
  const std::size_t underscore = logFileName.rfind('_');
  if (underscore == std::string::npos) return {};
  return logFileName.substr(0, underscore) + "_" + TimeStamp(time) + ".zip";
}

std::string NoNameRemoteName(const std::string& archivePath, const cwplat::LocalTime& time) {
  const std::string ext = cwplat::SplitPath(archivePath).ext;
  return "NoName_" + TimeStamp(time) + (ext.empty() ? ".tmp" : ext);
}

void SetLogUploadLimitsForTesting(const LogUploadLimits& limits) {
  std::lock_guard<std::mutex> lock(g_limitsMutex);
  g_limits = limits;
}

int zipLogsAndDumps(const std::string& logFileName, const std::string& catalogue, const std::string& extraFilePath,
                    bool includeDumps) {
  const std::string folder = CSingleUserLog::GetInstance().GetLogFolder();
  if (folder.empty() || !IsPlainFileName(logFileName)) {
    CWLOG << " Nothing to pack: log folder [" << folder << "], log file [" << logFileName << "]";
    return -1;
  }
  const std::string logDirectory = folder + "/";
  const std::string logPath = logDirectory + logFileName;
  const std::string copyPath = logPath + "_copy.log";
  const bool haveCopy = CopyLog(logPath, copyPath);

  const cwplat::LocalTime now = cwplat::GetLocalTime();
  const std::string archivePath = logDirectory + TimeStamp(now) + ".zip";
  CLogArchive archive;
  if (!archive.Create(archivePath)) return -1;
  if (haveCopy) archive.Add(copyPath, logFileName);
  if (includeDumps) {
    if (IsRegularFile(logPath + ".dmp")) {
      archive.Add(logPath + ".dmp", logFileName + ".dmp");
    } else {
      for (const std::string& name : DumpsIn(folder)) archive.Add(logDirectory + name, name);
    }
  }
  if (!extraFilePath.empty() && IsRegularFile(extraFilePath)) {
    const cwplat::PathParts parts = cwplat::SplitPath(extraFilePath);
    archive.Add(extraFilePath, parts.name + parts.ext);
  }
  if (!archive.Close()) return -1;
  if (!IsRegularFile(archivePath)) {
    CWLOG << " Nothing was packed, nothing to upload";
    return 0;
  }

  const int result = uploadLogArchive(archivePath, LogArchiveRemoteName(logFileName, now), kLogUploadProductId,
                                      GetFileVersionText(cwplat::GetModuleFileName()),
                                      catalogue.empty() ? "default" : catalogue);
  if (result == 0) {
    cwplat::RemoveFile(archivePath);
    cwplat::RemoveFile(copyPath);
  } else {
    CWLOG << " Log upload failed (" << result << "), keeping " << archivePath;
  }
  return 0;
}

UploadRunPlan PlanUploadRun(const std::string& fileName, bool includeDumps, const std::string& logFolder,
                            const std::string& ownLogFileName, const std::string& tempFolder) {
  UploadRunPlan plan;
  if (!IsPlainFileName(fileName)) return plan;
  plan.valid = true;
  if (!includeDumps) {
    plan.logFileName = fileName;
    return plan;
  }
  plan.logFileName = ownLogFileName;
  const std::string inLogFolder = logFolder.empty() ? std::string() : logFolder + "/" + fileName;
  const std::string inTempFolder = tempFolder + fileName;
  if (!inLogFolder.empty() && IsRegularFile(inLogFolder)) {
    plan.dumpPath = inLogFolder;
    if (EndsWith(fileName, kDumpExtension)) {
      const std::string crashedLog = fileName.substr(0, fileName.size() - kDumpExtension.size());
      if (IsPlainFileName(crashedLog) && IsRegularFile(logFolder + "/" + crashedLog)) plan.logFileName = crashedLog;
    }
  } else if (EndsWith(fileName, kDumpExtension) && IsRegularFile(inTempFolder)) {
    plan.dumpPath = inTempFolder;
    plan.extraFile = inTempFolder;
  }
  return plan;
}

int RunUploadOnly(const std::string& fileName, const std::string& catalogue, bool includeDumps) {
  const CSingleUserLog& userLog = CSingleUserLog::GetInstance();
  const cwplat::PathParts ownLog = cwplat::SplitPath(userLog.GetLogFilePath());
  const UploadRunPlan plan =
      PlanUploadRun(fileName, includeDumps, userLog.GetLogFolder(), ownLog.name + ownLog.ext, cwplat::GetTempFolder());
  if (!plan.valid) {
    CWLOG << " Upload refused: [" << fileName << "] is not a file name";
    return 1;
  }
  if (includeDumps && plan.dumpPath.empty()) CWLOG << " Dump file not found: " << fileName;
  LogDumpHandlerLines(plan.dumpPath);
  CWLOG << " Upload " << plan.logFileName << " (" << catalogue << ")";
  return zipLogsAndDumps(plan.logFileName, catalogue, plan.extraFile, includeDumps) == 0 ? 0 : 1;
}

}  // namespace FuntionImpl

int uploadLogArchive(const std::string& archivePath, const std::string& remoteName, const std::string& productId,
                     const std::string& version, const std::string& catalogue) {
  return FuntionImpl::UploadLogArchiveTo(
      CDeployment::Instance().BaseUrl("LogUploadService", true) + FuntionImpl::kLogUploadPath, archivePath, remoteName,
      productId, version, catalogue);
}

int FuntionImpl::UploadLogArchiveTo(const std::string& url, const std::string& archivePath,
                                    const std::string& remoteName, const std::string& productId,
                                    const std::string& version, const std::string& catalogue) {
  if (archivePath.size() <= 4) return -1;
  if (!cwplat::CanOpenForReading(archivePath)) {
    // libcurl would find out only after sending the request head.
    CWLOG << " Log archive " << archivePath << " cannot be read";
    return -3;
  }
  CURL* curl = curl_easy_init();
  if (curl == nullptr) {
    std::cout << "Failed to initialize cURL" << std::endl;
    return -2;
  }
  const std::string remote =
      remoteName.empty() ? FuntionImpl::NoNameRemoteName(archivePath, cwplat::GetLocalTime()) : remoteName;
  curl_mime* form = curl_mime_init(curl);
  curl_mimepart* file = curl_mime_addpart(form);
  curl_mime_name(file, "file");
  curl_mime_filedata(file, archivePath.c_str());
  curl_mime_filename(file, remote.c_str());  // texts are UTF-8 already
  FuntionImpl::AddField(form, "product_id", productId);
  FuntionImpl::AddField(form, "version", version);
  if (!catalogue.empty()) FuntionImpl::AddField(form, "catalogue", catalogue);

  curl_slist* headers = curl_slist_append(nullptr, "content-type:multipart/form-data");
  headers = curl_slist_append(headers, "Accept:*/*");
  const FuntionImpl::LogUploadLimits limits = FuntionImpl::CurrentLimits();
  std::string response;
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_MIMEPOST, form);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &FuntionImpl::AppendResponse);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, limits.totalTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytesPerSecond);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, limits.lowSpeedSeconds);
  CURLcode code = ApplyProtocolPolicy(curl);
  if (code == CURLE_OK) code = ApplyTlsPolicy(curl);
  if (code == CURLE_OK) code = curl_easy_perform(curl);
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  std::cout << "Response from server:\n" << response << std::endl;
  curl_easy_cleanup(curl);
  curl_mime_free(form);
  curl_slist_free_all(headers);
  if (code != CURLE_OK || status != 200) {
    CWLOG << " Log upload to " << url << ": " << curl_easy_strerror(code) << ", status " << status;
    return -3;
  }
  return 0;
}
