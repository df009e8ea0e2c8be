// galog.json as it may be found on disk: the is_new decision and the tools
// version record. Whatever the file holds, a written answer must be one the
// next run reads back as settled.
#include "UserLogGaFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const cwplat::LocalTime today{2024, 2, 29, 12, 0, 0, 0};

  const GaLogDecision date = DecideGaLogDate(text, today);
  if (date.write) {
    const GaLogDecision again = DecideGaLogDate(*date.write, today);
    if (again.isNew != 0 || again.write) std::abort();
  } else if (date.isNew != 0) {
    std::abort();
  }

  // Versions are "%d.%d.%d.%d" texts: digits and dots, taken from the input.
  std::string version;
  for (std::size_t i = 0; i < size % 16; ++i) version += data[i] % 11 == 10 ? '.' : static_cast<char>('0' + data[i] % 11);
  if (const auto written = DecideGaLogVersion(text, version)) {
    if (DecideGaLogVersion(*written, version)) std::abort();
  }
  return 0;
}
