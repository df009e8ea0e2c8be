// The drive facts of this machine: the mount table, sysfs for removable and
// USB devices, statvfs for free space.
#include "platform/drives.h"
#include "platform/paths.h"
#include "platform/read_bounded.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

namespace cwplat {
namespace {

// Thousands of mounts fit; a table beyond this is cut at its last whole line.
constexpr std::size_t kMaxMountInfoBytes = 4 * 1024 * 1024;
// sysfs device paths are a few levels deep; this only stops a runaway walk.
constexpr int kMaxSysfsLevels = 32;

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string out(real);
  std::free(real);
  return out;
}

std::string SysfsDevicePath(unsigned major, unsigned minor) {
  return RealPath("/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
}

class SystemDriveSource : public IDriveSource {
 public:
  std::string MountInfo() override {
    bool truncated = false;
    auto text = ReadFileBounded("/proc/self/mountinfo", kMaxMountInfoBytes, &truncated);
    if (!text) return {};
    if (truncated) text->resize(text->rfind('\n') == std::string::npos ? 0 : text->rfind('\n') + 1);
    return *text;
  }

  std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint) override {
    struct statvfs s {};
    if (statvfs(mountPoint.c_str(), &s) != 0) return std::nullopt;
    std::uint64_t bytes = 0;
    if (__builtin_mul_overflow(static_cast<std::uint64_t>(s.f_bavail), static_cast<std::uint64_t>(s.f_frsize), &bytes))
      return UINT64_MAX;
    return bytes;
  }

  BlockDeviceFlags DeviceFlags(unsigned major, unsigned minor, const std::string& source) override {
    std::string device = SysfsDevicePath(major, minor);
    // Filesystems such as btrfs report an anonymous device number; the block
    // device they were mounted from tells the truth.
    struct stat st {};
    if (device.empty() && source.rfind("/dev/", 0) == 0 && stat(source.c_str(), &st) == 0 && S_ISBLK(st.st_mode))
      device = SysfsDevicePath(::major(st.st_rdev), ::minor(st.st_rdev));
    BlockDeviceFlags flags;
    if (device.empty()) return flags;
    flags.usb = device.find("/usb") != std::string::npos;
    // A partition has no "removable" file; its disk, further up, has.
    std::string dir = device;
    for (int level = 0; level < kMaxSysfsLevels && dir.rfind("/sys/devices/", 0) == 0; ++level) {
      if (auto value = ReadFileBounded(dir + "/removable", 64)) {
        flags.removable = !value->empty() && (*value)[0] == '1';
        break;
      }
      dir.resize(dir.rfind('/'));
    }
    return flags;
  }

  bool IsWritableFolder(const std::string& path) override {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), W_OK | X_OK) == 0;
  }

  std::string CacheFolder() override { return GetCacheFolder(); }

  std::string ResolvePath(const std::string& path) override {
    if (path.empty()) return {};
    std::string absolute = path;
    if (absolute[0] != '/') {
      char cwd[PATH_MAX];
      if (getcwd(cwd, sizeof(cwd)) == nullptr) return {};
      absolute = std::string(cwd) + "/" + path;
    }
    // Resolve the part that exists; the rest is what would be created there.
    std::string existing = NormalizeAbsolutePath(absolute);
    std::string rest;
    struct stat st {};
    while (existing != "/" && stat(existing.c_str(), &st) != 0) {
      const std::size_t cut = existing.rfind('/');
      rest = existing.substr(cut) + rest;
      existing = cut == 0 ? std::string("/") : existing.substr(0, cut);
    }
    const std::string real = RealPath(existing);
    return NormalizeAbsolutePath((real.empty() ? existing : real) + rest);
  }
};

}  // namespace

std::shared_ptr<IDriveSource> CreateSystemDriveSource() {
  return std::make_shared<SystemDriveSource>();
}

}  // namespace cwplat
