#include "UserLogFacts.h"

#include "SystemInfo.h"
#include "platform/paths.h"

UserLogFacts ReadUserLogFacts() {
  UserLogFacts facts;
  const std::string exe = cwplat::GetModuleFileName();
  facts.toolsVersion = FuntionImpl::GetFileVersionText(exe);
  facts.fileNameToken = FileNameToken(exe);
  float version = 0;
  facts.osText = FuntionImpl::GetOSName(version) + (FuntionImpl::IsWow64() ? " 64bit" : " 32bit");
  SplitLanguageName(FuntionImpl::GetUILanguageName(), facts.language, facts.region);
  return facts;
}

std::string FileNameToken(std::string_view executablePath) {
  const std::size_t slash = executablePath.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? executablePath : executablePath.substr(slash + 1);
  const std::size_t underscore = name.find('_');
  if (underscore == std::string_view::npos) return {};
  const std::size_t dot = name.find('.', underscore + 1);
  if (dot == std::string_view::npos) return {};
  return std::string(name.substr(underscore + 1, dot - underscore - 1));
}

void SplitLanguageName(const std::string& name, std::string& language, std::string& region) {
  const std::size_t underscore = name.find('_');
  if (underscore == std::string::npos) {
    language = region = "Unknown";
    return;
  }
  language = name.substr(0, underscore);
  region = name.substr(underscore + 1);
}
