// Where the transport sends things and how, filled by the program before it
// creates the transport. The transport itself knows no host names: they are
// deployment values that the program reads from its deployment file.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <string>

struct MachineFacts;

struct WebLogConfig {
  // Base URLs ("https://host[:port]"); the transport appends the fixed paths.
  std::string userCheckBase;    // default base of the user-check service (/QueryUser)
  std::string downloadSiteBase; // the maker's download site (/downloads/service/softwarelog.txt)
  std::string collectBase;      // funnel collection, production (/collect)
  std::string collectTestBase;  // funnel collection, test (/collector)
  std::string ga4Base;          // GA4 Measurement Protocol (/g/collect)

  // Certificate checking for every request; empty leaves libcurl's default
  // (peer and host verified against the system store).
  std::function<CURLcode(CURL*)> applyTls;

  // Folder of the "test" switch, "proxy.txt" and Logs/SoftwareLog.log; empty
  // means the executable's own folder.
  std::string workingFolder;
  // Machine facts; empty reads them from the system on each report.
  std::function<MachineFacts()> machineFacts;
};

// The configuration CreateExportObj and NSISLog use.
void SetWebLogConfig(const WebLogConfig& config);
WebLogConfig GetWebLogConfig();
