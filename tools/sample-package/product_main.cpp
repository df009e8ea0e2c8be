// Murmelon.exe, the sample product. Started, it leaves a note in its own folder
// (started.txt: pid, arguments, time, language of its settings file) and prints
// one line, so that an end-to-end run can tell that the installed product ran.
#include "ProductInfo.h"
#include "SettingsText.h"
#include "TextEscape.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/read_bounded.h"

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t kMaxSettingsBytes = 64 * 1024;

std::string InstalledLanguage(const std::string& folder) {
  const auto text = cwplat::ReadFileBounded(folder + sample::kSettingsFile, kMaxSettingsBytes);
  if (!text) return sample::kDefaultLanguage;
  const auto language = sample::ReadIniValue(*text, "Settings", "Language");
  return language && !language->empty() ? *language : sample::kDefaultLanguage;
}

std::string TimeText() {
  const cwplat::LocalTime t = cwplat::GetLocalTime();
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                t.minute, t.second, t.millisecond);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = cwplat::GetModuleDirectory();
  if (folder.empty()) {
    std::fprintf(stderr, "%s: cannot find its own folder\n", sample::kProductExe);
    return 1;
  }
  const std::string language = sample::Escape(InstalledLanguage(folder));

  std::string note = "pid=" + std::to_string(cwplat::GetCurrentProcessId()) + "\n";
  note += "time=" + TimeText() + "\n";
  note += "language=" + language + "\n";
  note += "argc=" + std::to_string(argc > 0 ? argc - 1 : 0) + "\n";
  for (int i = 1; i < argc; ++i) note += "arg" + std::to_string(i) + "=" + sample::Escape(argv[i]) + "\n";

  const std::string notePath = folder + sample::kStartedFile;
  if (!cwplat::ReplaceFileAtomic(notePath, note)) {
    std::fprintf(stderr, "%s: cannot write %s\n", sample::kProductExe, notePath.c_str());
    return 1;
  }
  std::printf("%s %s started (language %s)\n", sample::kProductName, sample::kVersion, language.c_str());
  return 0;
}
