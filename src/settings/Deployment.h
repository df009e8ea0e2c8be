// The deployment values: every outside service's host (and ports), and the CDN
// host lists. They come from "configure\deployment.xml" of the resource archive;
// the environment variable CW_DEPLOYMENT_FILE names a file that replaces it
// (tests and the demo), so a host change never needs a rebuild.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

// What an anchor is trusted for. The lists are kept apart: a server's CA never
// vouches for a package, a code-signing CA never for a server.
enum class TrustPurpose { Tls, CodeSigning };

class CDeployment {
 public:
  struct Service {
    std::string host;
    std::string httpPort;   // "" = the scheme's default port
    std::string httpsPort;
  };

  static CDeployment& Instance();

  // Reads the deployment file from CW_DEPLOYMENT_FILE or the resource archive.
  // Keeps the previous values and returns false when neither can be parsed.
  bool Load();
  // Parses a deployment document; false (and nothing changed) when malformed.
  bool LoadFromText(const std::string& xml);

  // Host of a service, "" when unknown.
  std::string Host(const std::string& service);
  // "http://host[:port]" or "https://host[:port]", "" when the service is unknown.
  std::string BaseUrl(const std::string& service, bool https);
  std::vector<std::string> HostList(const std::string& name);
  // PEM texts of the trust anchors for one purpose: inline <TlsTrustAnchor> /
  // <CodeSigningTrustAnchor> elements and files they name (file="/abs/path").
  // TLS anchors add to the system store; code-signing anchors are the only
  // roots a package signature may chain to.
  std::vector<std::string> TrustAnchorsPem(TrustPurpose purpose);

 private:
  CDeployment() = default;
  void EnsureLoaded();

  mutable std::mutex m_mutex;
  bool m_loaded = false;
  std::map<std::string, Service> m_services;
  std::map<std::string, std::vector<std::string>> m_hostLists;
  std::vector<std::string> m_tlsAnchors;
  std::vector<std::string> m_codeSigningAnchors;
};
