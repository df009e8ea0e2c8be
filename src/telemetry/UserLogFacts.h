// What the user event log knows about this process, computed once when the
// log is made, and the per-run values start-up hands it.
#pragma once

#include <string>
#include <string_view>

struct UserLogFacts {
  std::string toolsVersion;   // file version of the running executable, "%d.%d.%d.%d"
  std::string fileNameToken;  // from the executable's file name (see FileNameToken)
  std::string osText;         // OS name and " 64bit" or " 32bit"
  std::string language;       // "English" of "English_United States"
  std::string region;         // "United States" of the same
};

// Set by InitUserInfo.
struct UserLogUserInfo {
  int siteId = 0;
  std::string productName;
  std::string downloadAddress;
  bool kit = false;
  int pid = 0;
  int isNew = 1;
};

// What the main window knows: the download configuration's software version
// and the code of the current interface language. Empty without a window.
struct UserLogWindowFacts {
  std::string productVersion;
  std::string languageCode;
};

// Reads the facts of the running process.
UserLogFacts ReadUserLogFacts();

// The text between the first '_' of the file name and the first '.' after it;
// "" when either is missing.
std::string FileNameToken(std::string_view executablePath);

// "Language_Region" split at its first '_'; both "Unknown" without one.
void SplitLanguageName(const std::string& name, std::string& language, std::string& region);
