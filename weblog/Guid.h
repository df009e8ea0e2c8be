// GUIDs of the transport: the user identity and the process session id.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

// A fresh random GUID (version 4); nothing when no random bytes can be had.
std::optional<Guid> NewGuid();

// "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X": 36 characters.
std::string FormatUserGuid(const Guid& guid);
// "%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X": 32 characters, the third
// group in lower case as the collection service has always received it.
std::string FormatSessionId(const Guid& guid);

// True for the 36-character form (either case of hex digits).
bool IsUserGuidText(std::string_view text);

// The session id of this process: made by the first call that can make one,
// the same text for every later call; "" while none could be made.
std::string ProcessSessionId();
