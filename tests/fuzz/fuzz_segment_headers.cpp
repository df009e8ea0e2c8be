// Response header lines of a segment request, as libcurl hands them over.
#include "QuietLog.h"
#include "CLibcurlTool.h"
#include "SegmentSink.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

class Sink : public CSegmentSink {
 public:
  std::size_t downloadFunc(const char*, std::size_t, std::size_t nmemb) override { return nmemb; }
  std::int64_t expectedContentLength() const override { return 4194304; }
  std::string& cdnText() override { return cdn; }
  const std::string& probeCdnText() const override { return probe; }
  int taskId() const override { return 0; }
  bool taskLogging() const override { return false; }
  std::string cdn, probe = "HIT";
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Sink sink;
  std::string input(reinterpret_cast<const char*>(data), size);
  // Split into header lines the way libcurl delivers them, each with its line end.
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    end = end == std::string::npos ? input.size() : end + 1;
    std::string line = input.substr(start, end - start);
    if (CLibcurlTool::HeaderCallback(line.data(), 1, line.size(), &sink) == 0) break;
    if (sink.cdn.size() > 1 << 20) sink.cdn.clear();  // the text grows per line by design
    start = end;
  }
  return 0;
}
