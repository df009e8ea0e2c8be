// The registry store: a small hierarchical key/value store in files, standing in
// for the Windows registry. Root: $CW_REGISTRY_ROOT when it holds an absolute
// path (read on every call), else GetAppDataFolder() + "/CWDownloader/registry".
// Both hives live under that per-user root.
//
// Key paths are written as Windows writes them, with '\' between the parts
// ("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo"). Key and
// value names compare without case (ASCII letters only; other UTF-8 bytes must
// match exactly). A part that is empty, "." or "..", holds '/' or NUL, or is
// longer than 255 bytes makes the whole call fail. The empty value name is the
// key's default value.
//
// Every function returns its result and never throws. Writes are atomic and
// safe between threads and processes; a damaged values file reads as "no
// values" and the next write replaces it.
#pragma once

#include <string>
#include <vector>

namespace cwplat {

enum class RegHive { LocalMachine, CurrentUser };

// REG_SZ. Get fails when the key or value is missing or of another type.
bool RegGetString(RegHive hive, const std::string& key, const std::string& valueName, std::string& out);
// Creates the key (and its parents) when missing.
bool RegSetString(RegHive hive, const std::string& key, const std::string& valueName, const std::string& data);

// REG_MULTI_SZ, kept as the list it was written as.
bool RegGetMultiString(RegHive hive, const std::string& key, const std::string& valueName,
                       std::vector<std::string>& out);
bool RegSetMultiString(RegHive hive, const std::string& key, const std::string& valueName,
                       const std::vector<std::string>& data);

// False when the key or the value did not exist.
bool RegDeleteValue(RegHive hive, const std::string& key, const std::string& valueName);

// Creates the key (and its parents) without values; true when it exists afterwards.
bool RegCreateKey(RegHive hive, const std::string& key);
bool RegKeyExists(RegHive hive, const std::string& key);
// Removes the key with all its subkeys. False when it did not exist.
bool RegDeleteKey(RegHive hive, const std::string& key);
// Names of the direct subkeys, in the case they were created with, sorted
// without case. Empty when the key is missing.
std::vector<std::string> RegEnumSubKeys(RegHive hive, const std::string& key);

}  // namespace cwplat
