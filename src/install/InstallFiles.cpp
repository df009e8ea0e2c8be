#include "InstallFiles.h"

#include "platform/file_io.h"
#include "platform/paths.h"
#include "platform/read_bounded.h"

#include <algorithm>
#include <cctype>

namespace {

// The marker holds one short line; a longer one cannot be ours.
constexpr std::size_t kMarkerLineMax = 260;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

void RemoveIfPresent(const std::string& path) {
  if (cwplat::FileExists(path)) cwplat::RemoveFile(path);
}

}  // namespace

bool EndsWithExe(const std::string& text) {
  return text.size() >= 4 && text.compare(text.size() - 4, 4, ".exe") == 0;
}

std::string InstallerFileName(const std::string& embeddedExtraUrl, const std::string& softwareVersion) {
  std::string name = embeddedExtraUrl.substr(embeddedExtraUrl.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return name + "_" + softwareVersion + (EndsWithExe(embeddedExtraUrl) ? ".exe" : ".apk");
}

InstallFiles MakeInstallFiles(const std::string& embeddedExtraUrl, const std::string& configuredExtraUrl,
                              const std::string& softwareVersion, const std::string& downloadFolder,
                              const std::string& installFolder) {
  InstallFiles files;
  files.installerName = InstallerFileName(embeddedExtraUrl, softwareVersion);
  const std::string& folder = EndsWithExe(configuredExtraUrl) ? downloadFolder : installFolder;
  files.installerPath = folder + "/" + files.installerName;
  files.taskFile = files.installerPath + ".xml";
  files.completionMarker = files.installerPath + ".db";
  return files;
}

bool ReconcileCompletionMarker(const InstallFiles& files, const std::string& softwareVersion,
                               const std::string& md5, const std::string& md5Extra) {
  if (!cwplat::FileExists(files.completionMarker)) return false;
  std::string line = cwplat::ReadFileBounded(files.completionMarker, kMarkerLineMax).value_or("");
  line = line.substr(0, line.find_first_of("\r\n"));
  const std::size_t sep = line.find("###");
  const std::string version = sep == std::string::npos ? line : line.substr(0, sep);
  const std::string digest = sep == std::string::npos ? "" : Lower(line.substr(sep + 3));
  const bool keep = version == softwareVersion && (digest == md5 || digest == md5Extra);
  if (!keep) {
    RemoveIfPresent(files.installerPath);
    RemoveIfPresent(files.taskFile);
  }
  cwplat::RemoveFile(files.completionMarker);
  return keep;
}
