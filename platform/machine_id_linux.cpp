// The network facts of this machine: adapters from sysfs, the kernel release
// from uname, host names through the resolver.
#include "platform/machine_id.h"

#include "platform/read_bounded.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/utsname.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstring>
#include <filesystem>
#include <vector>

namespace cwplat {
namespace {

namespace fs = std::filesystem;

// A machine with more adapters than this is not one we identify by adapter.
constexpr std::size_t kMaxInterfaces = 4096;
constexpr std::size_t kMaxAttributeBytes = 4096;

std::string JoinRoot(const std::string& root, const char* path) {
  std::string base = root.empty() ? std::string("/") : root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base == "/" ? std::string(path) : base + path;
}

std::optional<std::string> ReadAttribute(const fs::path& file) {
  return ReadFileBounded(file.string(), kMaxAttributeBytes);
}

std::optional<int> ParseIfIndex(const std::optional<std::string>& text) {
  if (!text) return std::nullopt;
  std::string_view s(*text);
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.remove_suffix(1);
  int value = 0;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || ptr != s.data() + s.size() || value <= 0) return std::nullopt;
  return value;
}

bool IsBluetooth(const fs::path& interfaceDir) {
  std::error_code ec;
  const fs::path subsystem = fs::read_symlink(interfaceDir / "device" / "subsystem", ec);
  if (!ec && subsystem.filename() == "bluetooth") return true;
  const auto uevent = ReadAttribute(interfaceDir / "uevent");
  if (!uevent) return false;
  std::string_view rest(*uevent);
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    if (rest.substr(0, end) == "DEVTYPE=bluetooth") return true;
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct Candidate {
  int ifIndex;
  std::string name;
  std::string mac;
};

}  // namespace

std::optional<std::string> MacFromSysfsText(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.remove_suffix(1);
  // "aa:bb:cc:dd:ee:ff": 6 pairs of hex digits with 5 colons.
  if (text.size() != 17) return std::nullopt;
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  bool nonZero = false;
  for (std::size_t i = 0; i < 6; ++i) {
    const int hi = HexValue(text[i * 3]);
    const int lo = HexValue(text[i * 3 + 1]);
    if (hi < 0 || lo < 0 || (i < 5 && text[i * 3 + 2] != ':')) return std::nullopt;
    nonZero = nonZero || hi != 0 || lo != 0;
    out += kHex[hi];
    out += kHex[lo];
  }
  if (!nonZero) return std::nullopt;
  return out;
}

std::string GetPrimaryMacAddress(const std::string& root) {
  const fs::path netDir = JoinRoot(root, "/sys/class/net");
  std::error_code ec;
  fs::directory_iterator it(netDir, ec);
  if (ec) return {};
  std::vector<Candidate> candidates;
  std::size_t seen = 0;
  for (const fs::directory_entry& entry : it) {
    if (++seen > kMaxInterfaces) break;
    const fs::path dir = entry.path();
    std::error_code linkEc;
    // A virtual interface has no device behind it.
    if (!fs::exists(fs::symlink_status(dir / "device", linkEc)) || IsBluetooth(dir)) continue;
    const auto address = ReadAttribute(dir / "address");
    const auto mac = address ? MacFromSysfsText(*address) : std::nullopt;
    if (!mac) continue;
    const int index = ParseIfIndex(ReadAttribute(dir / "ifindex")).value_or(INT_MAX);
    candidates.push_back({index, dir.filename().string(), *mac});
  }
  if (candidates.empty()) return {};
  const auto first = std::min_element(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.ifIndex != b.ifIndex ? a.ifIndex < b.ifIndex : a.name < b.name;
  });
  return first->mac;
}

std::string GetKernelRelease() {
  struct utsname names {};
  if (uname(&names) != 0) return {};
  return std::string(names.release, strnlen(names.release, sizeof names.release));
}

std::string GetHostAddress(const std::string& hostName) {
  if (hostName.empty() || hostName.size() > 253) return {};
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* result = nullptr;
  if (getaddrinfo(hostName.c_str(), nullptr, &hints, &result) != 0 || result == nullptr) return {};
  std::string text;
  for (const addrinfo* a = result; a != nullptr && text.empty(); a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr || a->ai_addrlen < sizeof(sockaddr_in)) continue;
    char buf[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
    if (inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf) != nullptr) text = buf;
  }
  freeaddrinfo(result);
  return text;
}

}  // namespace cwplat
