#include "Deployment.h"

#include "platform/log.h"
#include "platform/read_bounded.h"
#include "toolkit/ResourceArchive.h"

#include <tinyxml2.h>

#include <cctype>
#include <cstdlib>
#include <optional>

namespace {

constexpr std::size_t kMaxDeploymentBytes = 256 * 1024;

bool ValidPort(const std::string& port) {
  if (port.empty()) return true;
  if (port.size() > 5) return false;
  for (char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  }
  const int n = std::atoi(port.c_str());
  return n > 0 && n < 65536;
}

// Host names are joined into URLs: refuse anything that could change the URL's meaning.
bool ValidHost(const std::string& host) {
  if (host.empty() || host.size() > 253) return false;
  for (char c : host) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (!(std::isalnum(u) || c == '.' || c == '-' || c == '_')) return false;
  }
  return true;
}

std::string Attr(const tinyxml2::XMLElement* e, const char* name) {
  const char* v = e->Attribute(name);
  return v == nullptr ? std::string() : std::string(v);
}

// A whole deployment or anchor file; nothing when unreadable, empty or too large.
std::optional<std::string> ReadBounded(const std::string& path) {
  bool truncated = false;
  auto text = cwplat::ReadFileBounded(path, kMaxDeploymentBytes, &truncated);
  if (!text || truncated || text->empty()) return std::nullopt;
  return text;
}

// Inline PEM text, or a file named by an absolute path.
std::optional<std::string> ReadTrustAnchor(const tinyxml2::XMLElement* e) {
  const std::string file = Attr(e, "file");
  if (!file.empty()) {
    auto pem = file[0] == '/' ? ReadBounded(file) : std::nullopt;
    if (!pem) CWLOG << " Trust anchor file " << file << " cannot be read";
    return pem;
  }
  const char* text = e->GetText();
  if (text == nullptr) return std::nullopt;
  return std::string(text);
}

}  // namespace

CDeployment& CDeployment::Instance() {
  static CDeployment deployment;
  return deployment;
}

bool CDeployment::LoadFromText(const std::string& xml) {
  if (xml.size() > kMaxDeploymentBytes) {
    CWLOG << " Deployment file too large: " << xml.size();
    return false;
  }
  tinyxml2::XMLDocument doc;
  if (doc.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS || doc.RootElement() == nullptr) {
    CWLOG << " Deployment file is not well-formed: " << doc.ErrorStr();
    return false;
  }
  std::map<std::string, Service> services;
  std::map<std::string, std::vector<std::string>> lists;
  std::vector<std::string> tlsAnchors;
  std::vector<std::string> signingAnchors;
  for (const auto* e = doc.RootElement()->FirstChildElement(); e != nullptr; e = e->NextSiblingElement()) {
    const std::string kind = e->Name();
    const std::string name = Attr(e, "name");
    const bool anchor = kind == "TlsTrustAnchor" || kind == "CodeSigningTrustAnchor";
    if (kind == "TrustAnchor") {
      // An anchor without a purpose would be trusted for both: refuse it.
      CWLOG << " Deployment TrustAnchor ignored: it names no purpose (TlsTrustAnchor or CodeSigningTrustAnchor)";
      continue;
    }
    if (name.empty() && !anchor) continue;
    if (kind == "Service") {
      Service s{Attr(e, "host"), Attr(e, "http_port"), Attr(e, "https_port")};
      if (!ValidHost(s.host) || !ValidPort(s.httpPort) || !ValidPort(s.httpsPort)) {
        CWLOG << " Deployment service " << name << " ignored: bad host or port";
        continue;
      }
      services[name] = s;
    } else if (anchor) {
      if (auto pem = ReadTrustAnchor(e)) (kind == "TlsTrustAnchor" ? tlsAnchors : signingAnchors).push_back(*pem);
    } else if (kind == "HostList") {
      auto& list = lists[name];
      for (const auto* h = e->FirstChildElement("Host"); h != nullptr; h = h->NextSiblingElement("Host")) {
        const char* text = h->GetText();
        if (text != nullptr && ValidHost(text)) list.emplace_back(text);
      }
    }
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  m_services = std::move(services);
  m_hostLists = std::move(lists);
  m_tlsAnchors = std::move(tlsAnchors);
  m_codeSigningAnchors = std::move(signingAnchors);
  m_loaded = true;
  return true;
}

bool CDeployment::Load() {
  if (const char* file = std::getenv("CW_DEPLOYMENT_FILE"); file != nullptr && *file != '\0') {
    const auto text = ReadBounded(file);
    if (!text) {
      CWLOG << " Deployment file " << file << " cannot be read";
    } else if (LoadFromText(*text)) {
      CWLOG << " Deployment values from " << file;
      return true;
    }
  }
  auto embedded = cwui::CResourceArchive::Instance().Read("configure\\deployment.xml");
  if (!embedded) {
    CWLOG << " No deployment file in the resource archive";
    return false;
  }
  return LoadFromText(*embedded);
}

void CDeployment::EnsureLoaded() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_loaded) return;
  }
  Load();
  std::lock_guard<std::mutex> lock(m_mutex);
  m_loaded = true;  // a failed load is not retried on every call
}

std::string CDeployment::Host(const std::string& service) {
  EnsureLoaded();
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_services.find(service);
  return it == m_services.end() ? std::string() : it->second.host;
}

std::string CDeployment::BaseUrl(const std::string& service, bool https) {
  EnsureLoaded();
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_services.find(service);
  if (it == m_services.end()) return {};
  const std::string& port = https ? it->second.httpsPort : it->second.httpPort;
  return std::string(https ? "https://" : "http://") + it->second.host + (port.empty() ? "" : ":" + port);
}

std::vector<std::string> CDeployment::HostList(const std::string& name) {
  EnsureLoaded();
  std::lock_guard<std::mutex> lock(m_mutex);
  auto it = m_hostLists.find(name);
  return it == m_hostLists.end() ? std::vector<std::string>() : it->second;
}

std::vector<std::string> CDeployment::TrustAnchorsPem(TrustPurpose purpose) {
  EnsureLoaded();
  std::lock_guard<std::mutex> lock(m_mutex);
  return purpose == TrustPurpose::Tls ? m_tlsAnchors : m_codeSigningAnchors;
}
