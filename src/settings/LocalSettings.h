// The optional settings file "cw_downloader.cfg" beside the executable: test
// switches that are on only when their value is exactly 1. Every call reads
// the file again, so a tester may flip a switch while the program runs.
#pragma once

#include <string>

namespace FuntionImpl {

// Section "Settings" of the settings file.
bool IsTestEnv();
bool IsAutoRun();
bool IsCrashTest();

// The settings file path: the executable's folder + "cw_downloader.cfg".
std::string LocalSettingsPath();

// Tests point the three switches at a file of their own ("" restores the
// file beside the executable). In-process only: nothing outside can move it.
void SetLocalSettingsPathForTesting(const std::string& path);

// The same reading against an explicit file, for the three above and tests.
bool IsLocalSettingOn(const std::string& key, const std::string& filePath);

}  // namespace FuntionImpl
