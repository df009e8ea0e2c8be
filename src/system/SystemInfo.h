// Questions about the machine: system name and version, bitness, the user's
// language and region, the screen, and the version of an executable. Nothing
// is kept between calls; each asks the system again.
#pragma once

#include "EnumLanguage.h"

#include <cstdint>
#include <functional>
#include <string>

namespace FuntionImpl {

// "Windows 11" (11.0) when the registry store says so (IsWindows11); else the
// system's own name with version 10.0, so that no branch meant for an old
// Windows ever fires.
std::string GetOSName(float& version);

// True when the registry store's CurrentBuild (or CurrentBuildNumber) under
// HKLM "SOFTWARE\WOW6432Node\Microsoft\Windows NT\CurrentVersion" (or, when
// that key is missing, the same without WOW6432Node) is above 21999.
bool IsWindows11();

// True on a 64-bit system.
bool IsWow64();

// "Language_Country" of the user's UI language ("English_United States").
std::string GetUILanguageName();
// The same for a language identifier; "0x%.4x" (no '_') when it is unknown.
std::string LanguageIdName(std::uint16_t langId);

// Two-letter ISO country code of the user ("" when unknown); logs it.
std::string GetSystemRegion();

// Display-mode width and height in pixels; returns the scale. Answered by the
// window toolkit once it registers a provider; without one 0, 0 and 1.0.
using ScreenInfoProvider = std::function<double(int& width, int& height)>;
void SetScreenInfoProvider(ScreenInfoProvider provider);
double GetScreenInfo(int& width, int& height);

// File version as "%d.%d.%d.%d"; "" when the file has no version information.
std::string GetFileVersionText(const std::string& path);
std::string GetFileVersionTextW(const std::string& path);

// The four version texts; all empty (and false) without version information.
bool GetVersionStrings(const std::string& path, std::string& productName, std::string& productVersion,
                       std::string& legalCopyright, std::string& fileDescription);

// The interface language for the user's UI language (logged); English when
// it is not one of the installer's languages.
EnumLanguage GetLanguageByLocalSystem();
EnumLanguage LanguageFromLangId(std::uint16_t langId);

// Short code of a language ("en", "ja", "zh-cn", ...); "en" outside 0..19.
std::string GetLanguageCode(EnumLanguage language);

}  // namespace FuntionImpl
