#include "CConfigure.h"

#include "CdnUrl.h"
#include "DecimalText.h"
#include "EmbeddedLabels.h"
#include "PathComponent.h"
#include "platform/log.h"

#include <tinyxml2.h>

#include <cctype>
#include <limits>
#include <map>
#include <utility>

namespace {

// Whole-text decimal, blanks around allowed. Anything else (junk, overflow)
// reads as 0 and is logged, so a bad answer cannot pass for a real number; an
// empty value (or a lone sign) is 0 without a word.
template <typename T>
T ParseNumber(const std::string& key, const std::string& text) {
  constexpr std::int64_t limit = std::numeric_limits<T>::max();
  if (const auto value = FuntionImpl::ParseWholeDecimal(text, -limit, limit)) return static_cast<T>(*value);
  const std::size_t first = text.find_first_not_of(" \t\n\v\f\r");
  const std::size_t last = text.find_last_not_of(" \t\n\v\f\r");
  const bool blankOrSign = first == std::string::npos || (first == last && (text[first] == '-' || text[first] == '+'));
  if (!blankOrSign) CWLOG << " Configure value of " << key << " is not a number in range: " << text;
  return 0;
}

std::string WithoutLineBreaks(std::string text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

}  // namespace

CConfigure::CConfigure(int downloaderId, int languageId, int siteId)
    : m_downloaderId(downloaderId), m_siteId(siteId), m_languageId(languageId) {}

void CConfigure::fillRemotePaths() {
  for (const std::string* url : {&m_downloadUrl, &m_extraDownloadUrl}) {
    if (!url->empty() && !isCdnUrl(*url)) m_remotePaths.push_back(*url);
  }
}

bool CConfigure::parseDownloadInfo() {
  std::lock_guard<std::mutex> lock(m_mutex);
  tinyxml2::XMLDocument doc;
  const tinyxml2::XMLElement* root = nullptr;
  if (!m_downloadInfo.empty() && doc.Parse(m_downloadInfo.data(), m_downloadInfo.size()) == tinyxml2::XML_SUCCESS) {
    root = doc.RootElement();
  }
  if (root == nullptr) {
    m_state = 1;
    return false;
  }
  const std::map<std::string, int*> integers = {{"Downloader_id", &m_downloaderId}, {"Software_id", &m_softwareId},
                                                {"Site_id", &m_siteId},           {"Downloader_type", &m_downloaderType},
                                                {"Downloader_config", &m_downloaderConfig}};
  const std::map<std::string, std::string*> texts = {
      {"Software_name", &m_softwareName}, {"Software_version", &m_softwareVersion},
      {"Install_url", &m_installUrl},     {"Banner_url", &m_bannerUrl},
      {"Licensefile_url", &m_licensefileUrl}, {"Md5", &m_md5},
      {"Cnet_download_url", &m_cnetDownloadUrl}, {"Md5_extra", &m_md5Extra}};
  const std::map<std::string, std::string*> urls = {
      {"Process_name", &m_processName}, {"Download_url", &m_downloadUrl}, {"Extra_download_url", &m_extraDownloadUrl}};

  for (const auto* e = root->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    const std::string name = e->Name();
    const std::string value = e->GetText() == nullptr ? std::string() : std::string(e->GetText());
    if (auto it = integers.find(name); it != integers.end()) {
      *it->second = ParseNumber<int>(name, value);
    } else if (auto t = texts.find(name); t != texts.end()) {
      *t->second = value;
    } else if (auto u = urls.find(name); u != urls.end()) {
      *u->second = WithoutLineBreaks(value);
    } else if (name == "Filesize") {
      m_fileSize = ParseNumber<std::int64_t>(name, value);
      if (m_fileSize < 0) {
        CWLOG << " Configure value of Filesize is negative: " << value;
        m_fileSize = 0;
      }
    }
  }
  // These texts become file and folder names here: a hostile answer must not
  // name a path outside the folders the flow writes to or starts from.
  for (const auto& [name, field] : {std::pair<const char*, std::string*>{"Software_name", &m_softwareName},
                                    {"Software_version", &m_softwareVersion},
                                    {"Process_name", &m_processName}}) {
    if (field->empty() || FuntionImpl::IsPlainPathComponent(*field)) continue;
    CWLOG << " Configure value of " << name << " is not a plain file name, refused: " << *field;
    field->clear();
  }
  m_state = 2;
  m_configSource = 1;
  m_remotePaths.clear();
  fillRemotePaths();
  return true;
}

void CConfigure::loadFromResource(const CEmbeddedLabels& labels, bool mark) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fileSize = 0;
  m_softwareId = 0;
  m_state = 1;
  m_configSource = 0;
  m_remotePaths.clear();

  m_downloaderId = ParseNumber<int>("Downloader_id", labels.text("Downloader_id"));
  m_softwareId = ParseNumber<int>("Software_id", labels.text("Software_id"));
  m_siteId = ParseNumber<int>("Site_id", labels.text("Site_id"));
  m_languageId = ParseNumber<int>("Language_id", labels.text("Language_id"));
  m_softwareName = labels.text("Software_name");
  m_softwareVersion = labels.text("Software_version");
  m_downloadUrl = labels.text("Download_url");
  m_md5 = labels.text("Md5");
  m_processName = labels.text("Process_name");
  m_installUrl = labels.text("Install_url");
  m_bannerUrl = labels.text("Banner_url");
  m_licensefileUrl = labels.text("Licensefile_url");
  m_extraDownloadUrl = labels.text("Extra_download_url");
  m_md5Extra = labels.text("Md5_extra");
  m_cnetDownloadUrl = labels.text("Cnet_download_url");
  m_fileSize = ParseNumber<std::int64_t>("Filesize", labels.text("Filesize"));
  const std::int64_t timeout = ParseNumber<std::int64_t>("InstallTimeout", labels.text("InstallTimeout"));
  // The record keeps seconds in 32 bits; an absurd value is clamped, not wrapped.
  m_installTimeout = timeout == 0 ? 242 : static_cast<int>(std::min<std::int64_t>(timeout, INT32_MAX));
  m_downloaderType = 1;
  m_downloaderConfig = 0;
  if (mark) {
    m_state = 2;
    m_configSource = 2;
    fillRemotePaths();
  }
}

void CConfigure::printContent() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_configSource == 2) {
    CWLOG << " Configure Load From File! ";
  } else if (m_configSource == 1) {
    CWLOG << " Configure Load From XML! ";
  } else {
    CWLOG << " Configure Load From Nothing! ";
  }
  CWLOG << " [File ContentLength]: " << m_fileSize;
  CWLOG << " [Downloader Id]: " << m_downloaderId;
  CWLOG << " [SoftWare Id]: " << m_softwareId;
  CWLOG << " [Site Id]: " << m_siteId;
  CWLOG << " [Language Id]: " << m_languageId;
  CWLOG << " [Software Name]: " << m_softwareName;
  CWLOG << " [Software Version]: " << m_softwareVersion;
  CWLOG << " [Remote Path]: " << m_downloadUrl;
  CWLOG << " [MD5 String]: " << m_md5;
  CWLOG << " [Process Name]: " << m_processName;
  CWLOG << " [Install Url]: " << m_installUrl;
  CWLOG << " [Banner Url]: " << m_bannerUrl;
  CWLOG << " [Licensefile Url]: " << m_licensefileUrl;
  CWLOG << " [Extra Download Url]: " << m_extraDownloadUrl;
  CWLOG << " [Cnet Download Url]: " << m_cnetDownloadUrl;
  CWLOG << " [MD5 Extra String]: " << m_md5Extra;
  CWLOG << " [Downloader config]: " << m_downloaderConfig;
}

void CConfigure::setOsVersionProvider(OsVersionProvider provider) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_osVersion = std::move(provider);
}

void CConfigure::setFetcher(Fetcher fetcher) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_fetcher = std::move(fetcher);
}

#define CW_CONFIGURE_GETTER(type, name, field)   \
  type CConfigure::name() const {                 \
    std::lock_guard<std::mutex> lock(m_mutex);    \
    return field;                                 \
  }
CW_CONFIGURE_GETTER(int, getState, m_state)
CW_CONFIGURE_GETTER(int, getConfigSource, m_configSource)
CW_CONFIGURE_GETTER(std::int64_t, getFileSize, m_fileSize)
CW_CONFIGURE_GETTER(int, getDownloaderId, m_downloaderId)
CW_CONFIGURE_GETTER(int, getSoftwareId, m_softwareId)
CW_CONFIGURE_GETTER(int, getSiteId, m_siteId)
CW_CONFIGURE_GETTER(int, getLanguageId, m_languageId)
CW_CONFIGURE_GETTER(int, getDownloaderType, m_downloaderType)
CW_CONFIGURE_GETTER(int, getDownloaderConfig, m_downloaderConfig)
CW_CONFIGURE_GETTER(int, getInstallTimeout, m_installTimeout)
CW_CONFIGURE_GETTER(std::string, getSoftwareName, m_softwareName)
CW_CONFIGURE_GETTER(std::string, getSoftwareVersion, m_softwareVersion)
CW_CONFIGURE_GETTER(std::string, getDownloadUrl, m_downloadUrl)
CW_CONFIGURE_GETTER(std::string, getMd5, m_md5)
CW_CONFIGURE_GETTER(std::string, getProcessName, m_processName)
CW_CONFIGURE_GETTER(std::string, getInstallUrl, m_installUrl)
CW_CONFIGURE_GETTER(std::string, getBannerUrl, m_bannerUrl)
CW_CONFIGURE_GETTER(std::string, getLicensefileUrl, m_licensefileUrl)
CW_CONFIGURE_GETTER(std::string, getExtraDownloadUrl, m_extraDownloadUrl)
CW_CONFIGURE_GETTER(std::vector<std::string>, getRemotePaths, m_remotePaths)
CW_CONFIGURE_GETTER(std::string, getMd5Extra, m_md5Extra)
CW_CONFIGURE_GETTER(std::string, getCnetDownloadUrl, m_cnetDownloadUrl)
CW_CONFIGURE_GETTER(std::string, getQueryUrl, m_queryUrl)
CW_CONFIGURE_GETTER(std::string, getDownloadInfo, m_downloadInfo)
#undef CW_CONFIGURE_GETTER

void CConfigure::setDownloadUrl(const std::string& url) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_downloadUrl = url;
}

void CConfigure::setState(int state) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_state = state;
}

void CConfigure::setRemotePaths(const std::vector<std::string>& paths) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_remotePaths = paths;
}
