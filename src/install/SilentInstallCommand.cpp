#include "SilentInstallCommand.h"

#include "LanguageCodes.h"
#include "platform/log.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace FuntionImpl {
namespace {

// Downloader ids whose Japanese installer expects "jp" (121 is not one of them).
constexpr std::array<int, 8> kJpDownloaderIds = {117, 118, 119, 120, 122, 123, 124, 125};

std::string WithoutTrailingSlashes(std::string folder) {
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

// Characters, not bytes: UTF-8 continuation bytes do not count.
std::size_t CharacterCount(const std::string& text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

std::string InstallerLanguageCode(int languageIndex, int downloaderId) {
  if (languageIndex == 1 &&
      std::find(kJpDownloaderIds.begin(), kJpDownloaderIds.end(), downloaderId) != kJpDownloaderIds.end()) {
    return "jp";
  }
  return ProductLanguageCode(languageIndex);
}

std::string InstallerTrackingValue(const std::string& ownExePath) {
  const std::size_t slash = ownExePath.rfind('/');
  const std::string name = slash == std::string::npos ? ownExePath : ownExePath.substr(slash + 1);
  return name.find('_') != std::string::npos ? name : "null";
}

std::string InstallerLogName(const std::string& softwareName, const cwplat::LocalTime& time) {
  std::string name = softwareName;
  std::replace(name.begin(), name.end(), '/', '_');
  char stamp[64];
  std::snprintf(stamp, sizeof(stamp), "_Setup_%.4d%.2d%.2d%.2d%.2d%.2d.log", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return name + stamp;
}

std::optional<InstallerCommand> BuildInstallerCommand(const InstallerCommandInput& input) {
  // The folder always ends in exactly one separator, "/" included.
  const std::string folder = WithoutTrailingSlashes(input.installFolder) + "/";
  const std::string language = InstallerLanguageCode(input.languageIndex, input.downloaderId);
  const std::string log =
      WithoutTrailingSlashes(input.logFolder) + "/" + InstallerLogName(input.softwareName, input.time);
  const std::string tracking = InstallerTrackingValue(input.ownExePath);

  InstallerCommand command;
  command.text = " /VERYSILENT /SP- /NORESTART /DIR=\"" + folder + "\" /LANG=" + language + " /LOG=\"" + log +
                 "\" /sptrack " + tracking;
  const std::size_t length = CharacterCount(command.text);
  if (length > kMaxInstallerCommandChars) {
    CWLOG << " Install command line refused: " << length << " characters, at most " << kMaxInstallerCommandChars
          << " fit";
    return std::nullopt;
  }
  command.argv = {input.installerPath, "/VERYSILENT", "/SP-",         "/NORESTART", "/DIR=" + folder,
                  "/LANG=" + language,  "/LOG=" + log, "/sptrack", tracking};
  return command;
}

}  // namespace FuntionImpl
