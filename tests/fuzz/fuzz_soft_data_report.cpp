// The funnel event text SoftDataReport receives: parsed, rebuilt into the
// report object and serialised. The body posted must always be a JSON object.
#include "weblog/FunnelReport.h"
#include "weblog/JsonText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const MachineFacts facts{"uuid", "AABBCCDDEE01", 1, "Linux", "6.1"};
  const Json::Value report = BuildFunnelReport(ParseFunnelInput(text), facts, "SESSION", 1700000000000);
  const std::string body = CompactJson(report);
  if (!ParseJsonObject(body, body.size())) std::abort();
  return 0;
}
