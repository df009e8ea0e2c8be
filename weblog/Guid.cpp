#include "Guid.h"

#include <openssl/rand.h>

#include <cstdio>
#include <mutex>

std::optional<Guid> NewGuid() {
  unsigned char bytes[16];
  if (RAND_bytes(bytes, sizeof bytes) != 1) return std::nullopt;
  Guid g;
  g.data1 = (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
            bytes[3];
  g.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  // Version 4 and the RFC 4122 variant, as a system GUID generator makes them.
  g.data3 = static_cast<std::uint16_t>((((bytes[6] & 0x0F) | 0x40) << 8) | bytes[7]);
  g.data4[0] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  for (int i = 1; i < 8; ++i) g.data4[i] = bytes[8 + i];
  return g;
}

std::string FormatUserGuid(const Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

std::string FormatSessionId(const Guid& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%08X%04X%04x%02X%02X%02X%02X%02X%02X%02X%02X", g.data1, g.data2, g.data3,
                g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5], g.data4[6], g.data4[7]);
  return buf;
}

bool IsUserGuidText(std::string_view text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-') return false;
      continue;
    }
    const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!hex) return false;
  }
  return true;
}

std::string ProcessSessionId() {
  struct Session {
    std::mutex mutex;
    std::string id;
  };
  // Never destroyed: a reporting thread may still ask while the process ends.
  static Session* const session = new Session;
  std::lock_guard<std::mutex> lock(session->mutex);
  if (session->id.empty()) {
    if (const auto g = NewGuid()) session->id = FormatSessionId(*g);
  }
  return session->id;
}
