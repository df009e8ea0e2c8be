#include "platform/crash_handler_text.h"

#include "platform/crash_handler.h"

#include <csignal>

namespace cwplat {

CCrashText::CCrashText(char* buffer, std::size_t capacity) : m_buffer(buffer), m_capacity(capacity) {
  if (m_capacity > 0) m_buffer[0] = '\0';
}

void CCrashText::Clear() {
  m_size = 0;
  m_truncated = false;
  if (m_capacity > 0) m_buffer[0] = '\0';
}

CCrashText& CCrashText::Add(char c) {
  if (m_size + 1 < m_capacity) {
    m_buffer[m_size++] = c;
    m_buffer[m_size] = '\0';
  } else {
    m_truncated = true;
  }
  return *this;
}

CCrashText& CCrashText::Add(std::string_view text) {
  for (char c : text) Add(c);
  return *this;
}

CCrashText& CCrashText::Dec(std::int64_t value, int minDigits) {
  // The magnitude as unsigned, so that INT64_MIN has one too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) Add('-');
  for (int pad = count; pad < minDigits && pad < 64; ++pad) Add('0');
  while (count > 0) Add(digits[--count]);
  return *this;
}

CCrashText& CCrashText::Hex(std::uint64_t value, int digits) {
  static constexpr char kHex[] = "0123456789abcdef";
  int needed = 1;
  for (std::uint64_t v = value >> 4; v != 0; v >>= 4) ++needed;
  if (digits < needed) digits = needed;
  if (digits > 16) digits = 16;
  Add("0x");
  for (int i = digits - 1; i >= 0; --i) Add(kHex[(value >> (i * 4)) & 0xF]);
  return *this;
}

const char* CrashSignalName(int signal) {
  switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGILL: return "SIGILL";
    case SIGFPE: return "SIGFPE";
    case SIGABRT: return "SIGABRT";
    default: return "SIG?";
  }
}

namespace {

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's civil_from_days).
void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

LocalTime CrashLocalTime(std::int64_t epochSeconds, int milliseconds, long utcOffsetSeconds) {
  const std::int64_t local = epochSeconds + utcOffsetSeconds;
  std::int64_t days = local / 86400;
  std::int64_t secondOfDay = local % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  LocalTime t{};
  CivilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(secondOfDay / 3600);
  t.minute = static_cast<int>(secondOfDay % 3600 / 60);
  t.second = static_cast<int>(secondOfDay % 60);
  t.millisecond = milliseconds;
  return t;
}

std::size_t FormatCrashTimeStamp(const LocalTime& time, char* out, std::size_t size) {
  CCrashText text(out, size);
  text.Dec(time.year, 4).Dec(time.month, 2).Dec(time.day, 2).Dec(time.hour, 2).Dec(time.minute, 2);
  text.Dec(time.second, 2).Dec(time.millisecond, 3);
  return text.size();
}

}  // namespace cwplat
