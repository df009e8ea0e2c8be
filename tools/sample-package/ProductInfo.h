// The sample product's identity, shared by its installer and the product itself.
#pragma once

namespace sample {

inline constexpr const char* kProductName = "Quorla Murmelon";
inline constexpr const char* kPublisher = "Quorla";
inline constexpr const char* kVersion = "1.0.0.0";
inline constexpr const char* kProductExe = "Murmelon.exe";
inline constexpr const char* kSettingsFile = "settings.ini";
inline constexpr const char* kDataFile = "murmelon.dat";
inline constexpr const char* kStartedFile = "started.txt";
inline constexpr const char* kDefaultLanguage = "en";
// Where an Inno Setup installer records its uninstall entry ("{AppId}_is1").
inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Quorla Murmelon}_is1";

}  // namespace sample
