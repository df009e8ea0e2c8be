// The downloader configuration record: ids, names, download URLs, expected
// MD5 values, size and installer time-out. Filled from the update service's
// download-info answer, or from the embedded configuration when that fails.
//
// The window's pre-fetch thread and the install thread share one record; a
// mutex keeps each field access whole, and a held download-info answer makes
// every later query return at once, so the two never fetch twice.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class CEmbeddedLabels;

class CConfigure {
 public:
  // The operating system's name and version number, as the query needs them.
  struct OsVersion {
    std::string name;
    float version = 0.0f;
  };
  using OsVersionProvider = std::function<OsVersion()>;
  // A fetch of the query URL: result code and body.
  using Fetcher = std::function<int(const std::string& url, std::string& body)>;

  CConfigure(int downloaderId, int languageId, int siteId);

  // 1 when a <Downloader> block was found and kept; 0 otherwise, and at once
  // when an answer is already held.
  int getDownloadInfoXml(bool sync, bool regional);
  // Parses the held answer; true when it was walked to its end.
  bool parseDownloadInfo();
  // Fills the record from the embedded labels; `mark` makes it the record's source.
  void loadFromResource(const CEmbeddedLabels& labels, bool mark);
  void printContent() const;

  // Tests and other platforms replace where the OS version and the answer come from.
  void setOsVersionProvider(OsVersionProvider provider);
  void setFetcher(Fetcher fetcher);

  int getState() const;
  int getConfigSource() const;
  std::int64_t getFileSize() const;
  int getDownloaderId() const;
  int getSoftwareId() const;
  int getSiteId() const;
  int getLanguageId() const;
  int getDownloaderType() const;
  int getDownloaderConfig() const;
  int getInstallTimeout() const;
  std::string getSoftwareName() const;
  std::string getSoftwareVersion() const;
  std::string getDownloadUrl() const;
  std::string getMd5() const;
  std::string getProcessName() const;
  std::string getInstallUrl() const;
  std::string getBannerUrl() const;
  std::string getLicensefileUrl() const;
  std::string getExtraDownloadUrl() const;
  std::vector<std::string> getRemotePaths() const;
  std::string getMd5Extra() const;
  std::string getCnetDownloadUrl() const;
  std::string getQueryUrl() const;
  std::string getDownloadInfo() const;

  void setDownloadUrl(const std::string& url);
  // Back to "not filled" (1): a later start queries again.
  void setState(int state);
  void setRemotePaths(const std::vector<std::string>& paths);

  // The whole document of an answer's <Downloader> block, or "" when the body
  // has no complete block.
  static std::string cutDownloaderBlock(const std::string& body);

 private:
  void fillRemotePaths();  // with m_mutex held

  mutable std::mutex m_mutex;
  int m_state = 1;
  int m_configSource = 0;
  std::int64_t m_fileSize = 0;
  int m_downloaderId;
  int m_softwareId = 0;
  int m_siteId;
  int m_languageId;
  int m_downloaderType = 3;
  int m_downloaderConfig = 0;
  int m_installTimeout = 240;
  std::string m_softwareName;
  std::string m_softwareVersion;
  std::string m_downloadUrl;
  std::string m_md5;
  std::string m_processName;
  std::string m_installUrl;
  std::string m_bannerUrl;
  std::string m_licensefileUrl;
  std::string m_extraDownloadUrl;
  std::vector<std::string> m_remotePaths;
  std::string m_md5Extra;
  std::string m_cnetDownloadUrl;
  std::string m_queryUrl;
  std::string m_downloadInfo;

  OsVersionProvider m_osVersion;
  Fetcher m_fetcher;
};
