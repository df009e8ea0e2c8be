// The update service's answer: the block cut, then the parse of the block.
#include "QuietLog.h"
#include "CConfigure.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body(reinterpret_cast<const char*>(data), size);
  CConfigure config(521, 1033, 61);
  config.setOsVersionProvider([] { return CConfigure::OsVersion{"Fuzz", 10.0f}; });
  config.setFetcher([&body](const std::string&, std::string& out) {
    out = body;
    return 0;
  });
  if (config.getDownloadInfoXml(true, false) == 1) {
    config.parseDownloadInfo();
    (void)config.getRemotePaths();
  }
  // The parse must also survive a block handed over directly.
  CConfigure direct(1, 2, 3);
  direct.setFetcher([&body](const std::string&, std::string& out) {
    out = "<Downloader>" + body + "</Downloader>";
    return 0;
  });
  if (direct.getDownloadInfoXml(true, false) == 1) direct.parseDownloadInfo();
  return 0;
}
