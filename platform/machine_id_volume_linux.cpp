// The system volume's identity: the root mount from the mount table, its
// UUID from the udev links in /dev/disk/by-uuid, matched through sysfs.
#include "platform/drives.h"
#include "platform/machine_id.h"
#include "platform/read_bounded.h"

#include <charconv>
#include <filesystem>

namespace cwplat {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxMountInfoBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxUuidEntries = 4096;
constexpr std::size_t kMaxUuidLength = 64;

std::string JoinRoot(const std::string& root, const std::string& path) {
  std::string base = root.empty() ? std::string("/") : root;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base == "/" ? path : base + path;
}

bool IsUuidText(std::string_view s) {
  if (s.empty() || s.size() > kMaxUuidLength) return false;
  for (const char c : s) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
    if (!ok) return false;
  }
  return true;
}

// Kernel device names ("sda1", "nvme0n1p2", "dm-0"): never a path.
bool IsDeviceName(const std::string& s) {
  return !s.empty() && s.size() <= 255 && s != "." && s != ".." && s.find('/') == std::string::npos;
}

// "8:1\n" of <root>/sys/class/block/<name>/dev.
bool DeviceNumber(const std::string& root, const std::string& name, unsigned& major, unsigned& minor) {
  const auto text = ReadFileBounded(JoinRoot(root, "/sys/class/block/" + name + "/dev"), 64);
  if (!text) return false;
  const char* p = text->data();
  const char* end = p + text->size();
  auto r = std::from_chars(p, end, major);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != ':') return false;
  r = std::from_chars(r.ptr + 1, end, minor);
  return r.ec == std::errc() && (r.ptr == end || *r.ptr == '\n');
}

std::optional<MountEntry> RootMount(const std::string& root) {
  bool truncated = false;
  auto text = ReadFileBounded(JoinRoot(root, "/proc/self/mountinfo"), kMaxMountInfoBytes, &truncated);
  if (!text) return std::nullopt;
  if (truncated) text->resize(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
  std::optional<MountEntry> found;
  // A later mount on "/" covers the earlier ones.
  for (MountEntry& e : ParseMountInfo(*text)) {
    if (e.mountPoint == "/") found = std::move(e);
  }
  return found;
}

}  // namespace

std::string GetRootFilesystemUuid(const std::string& root) {
  const std::optional<MountEntry> mount = RootMount(root);
  if (!mount) return {};
  const std::string sourceName =
      mount->source.rfind("/dev/", 0) == 0 ? fs::path(mount->source).filename().string() : std::string();

  std::error_code ec;
  fs::directory_iterator it(JoinRoot(root, "/dev/disk/by-uuid"), ec);
  if (ec) return {};
  std::string bySource;
  std::size_t seen = 0;
  for (const fs::directory_entry& entry : it) {
    if (++seen > kMaxUuidEntries) break;
    const std::string uuid = entry.path().filename().string();
    std::error_code linkEc;
    const fs::path target = fs::read_symlink(entry.path(), linkEc);
    if (linkEc || !IsUuidText(uuid)) continue;
    const std::string device = target.filename().string();
    if (!IsDeviceName(device)) continue;
    unsigned major = 0, minor = 0;
    if (mount->major != 0 && DeviceNumber(root, device, major, minor) && major == mount->major &&
        minor == mount->minor) {
      return uuid;
    }
    if (bySource.empty() && !sourceName.empty() && device == sourceName) bySource = uuid;
  }
  return bySource;
}

std::optional<std::uint32_t> VolumeSerialFromUuid(std::string_view uuid) {
  std::string hex;
  for (const char c : uuid) {
    if (c == '-') continue;
    const bool isHex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    if (!isHex) return std::nullopt;
    hex += c;
  }
  if (hex.empty() || hex.size() > 32) return std::nullopt;
  std::string_view digits(hex);
  if (digits.size() == 16) {
    digits.remove_prefix(8);
  } else if (digits.size() > 8) {
    digits = digits.substr(0, 8);
  }
  std::uint32_t value = 0;
  const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (r.ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace cwplat
