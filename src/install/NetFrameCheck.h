// Whether the installed product asks for a newer .NET Framework than this
// machine has. The product states its need in "NetFrameCheck.db" in its folder:
//
//   [Settings]
//   NetFrameworkVersion=4.8
//   [Text]
//   ...
#pragma once

#include <string>

namespace FuntionImpl {

// The version named by NetFrameworkVersion in the [Settings] section of the
// file's text; "" when there is none.
std::string ParseNeededNetFrameVersion(const std::string& text);

// Negative, 0 or positive as version a is older than, equal to or newer than b.
// Up to four dot-separated numbers; missing or non-numeric parts count as 0.
int CompareFourPartVersions(const std::string& a, const std::string& b);

// True when the product in folder needs a newer .NET Framework than the one
// installed (none installed: any stated need wins).
bool WillShowNetFrameCheck(const std::string& folder);

}  // namespace FuntionImpl
