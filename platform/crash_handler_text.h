// Text building for the crash handler: appends to a caller's fixed buffer,
// never allocates, never calls stdio or the locale, so it may run inside a
// signal handler. Internal to the crash handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cwplat {

class CCrashText {
 public:
  // Keeps the buffer terminated; text that does not fit is cut and remembered.
  CCrashText(char* buffer, std::size_t capacity);

  CCrashText& Add(std::string_view text);
  CCrashText& Add(char c);
  // Decimal, with at least minDigits digits (zero-padded after any '-'), as "%.Nd".
  CCrashText& Dec(std::int64_t value, int minDigits = 1);
  // "0x" and exactly `digits` hex digits (more when the value needs them).
  CCrashText& Hex(std::uint64_t value, int digits = 16);

  const char* data() const { return m_buffer; }
  std::size_t size() const { return m_size; }
  bool truncated() const { return m_truncated; }
  void Clear();

 private:
  char* m_buffer;
  std::size_t m_capacity;
  std::size_t m_size = 0;
  bool m_truncated = false;
};

// The name the kernel gives a fatal signal ("SIGSEGV"), "SIG?" for others.
const char* CrashSignalName(int signal);

}  // namespace cwplat
