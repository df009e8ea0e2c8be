// INI reading with the semantics of GetPrivateProfileInt: section and key
// names compare without case, a missing file/section/key gives the default,
// a value is read as a leading decimal number (junk after it is ignored,
// no digits gives 0, a negative number gives 0).
#pragma once

#include <string>

namespace cwplat {

int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::string& filePath);

}  // namespace cwplat
