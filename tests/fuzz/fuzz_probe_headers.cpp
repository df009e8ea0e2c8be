// The size probe's reading of response headers (the client hands over at most
// 1999 bytes of them) and the resolution of the redirect target it finds.
#include "ProbeHeaders.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4000) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const ProbeHeaderScan scan = ScanProbeHeaders(text);
  if (scan.size < 0) std::abort();
  if (scan.hasLocation) ResolveLocation("http://fuzz.invalid:8080/dir/pkg.exe", scan.location);
  return 0;
}
