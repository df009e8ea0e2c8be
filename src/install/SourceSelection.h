// Where the install flow downloads from, and the cached download of an earlier
// run. The "too many requests" counter lives in the registry store under the
// product's uninstall key; once it passes 3 the maker's CDN hosts are off.
#pragma once

#include <string>
#include <vector>

namespace FuntionImpl {

// The counter's value: 0 when the key or value is missing or unreadable.
int ReadRequestTooMuchTimes(const std::string& softwareName);
// True when the counter is above 3.
bool IsCdnForbidden(const std::string& softwareName);
// Adds one to the counter (a missing one counts as 0); false when it cannot be
// written. The counter stops at its largest storable value.
bool IncrementRequestTooMuchTimes(const std::string& softwareName);

// The URL to download from, "" when none fits. Mode 1 takes the first path
// that is not a CDN URL; no other mode exists.
std::string checkRemotePath(std::vector<std::string> paths, int mode, const std::string& softwareName);

// Removes the installer file of an earlier run with its task file (".xml") and
// completion marker (".db"). Missing files are not an error; the log shows them.
void ClearAPPData(const std::string& installerPath);

}  // namespace FuntionImpl
