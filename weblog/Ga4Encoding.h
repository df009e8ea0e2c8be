// The GA4 hit's URL parts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// ASCII letters, digits and ! & ' ( ) * - . = _ ~ pass; every other byte
// becomes '%' and two lower-case hex digits. '&' and '=' pass so the query
// structure the caller wrote survives.
std::string Ga4PercentEncode(std::string_view text);

// The client id: the system volume's serial as "%X", then the adapter's
// twelve hex digits.
std::string Ga4ClientId(std::uint32_t volumeSerial, const std::string& mac);
