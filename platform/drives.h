// Drives as the program sees them. On Linux a "drive" is a mounted local
// filesystem (one per device, in mount-table order); pseudo filesystems
// (proc, sysfs, cgroup, ...), memory filesystems (tmpfs, ramfs), read-only
// images and optical media (squashfs, iso9660, ...) and network or user-space
// filesystems (nfs, cifs, 9p, fuse.*; fuseblk is block-backed and counts) are
// not drives. A drive is fixed when its block device is not removable; a fixed
// drive may still sit on a USB bus, which keeps it out of the roomiest choice.
//
// Each drive has a root: the folder on it where this user may create the
// program's folders. The drive holding the user's cache folder has that cache
// folder as root; any other drive has its mount point as root only when the
// mount point is a folder this user can write to, otherwise it has no root.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cwplat {

// One line of /proc/self/mountinfo, escapes decoded, paths normalised.
struct MountEntry {
  unsigned major = 0;
  unsigned minor = 0;
  std::string root;        // the folder of the filesystem that is mounted ("/" for all of it)
  std::string mountPoint;
  std::string fsType;
  std::string source;      // device or other source named by the mount
};

// Malformed lines are skipped; lines longer than kMaxMountLine and entries
// past kMaxMountEntries are ignored.
inline constexpr std::size_t kMaxMountLine = 64 * 1024;
inline constexpr std::size_t kMaxMountEntries = 65536;
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Lexical normal form of an absolute path: no empty or "." parts, ".." applied,
// no trailing '/'. "" for an empty or relative path.
std::string NormalizeAbsolutePath(std::string_view path);

// True for filesystem types that can hold a drive (see the comment above).
bool IsDriveFilesystem(std::string_view fsType);

struct DriveInfo {
  std::string mountPoint;
  std::string root;                      // "" when this user has no folder to create things in
  std::string fsType;
  std::string source;
  unsigned major = 0;
  unsigned minor = 0;
  bool usb = false;                      // on a USB bus
  std::optional<std::uint64_t> freeBytes;  // available to this user; nothing when unreadable
};

// Local, non-removable drives in mount-table order.
std::vector<DriveInfo> GetFixedDrives();

// Bytes available to this user on the filesystem that holds (or would hold)
// the path: a path that does not exist yet is answered for its nearest
// existing parent, as the program asks about folders it is about to create.
// Nothing for an empty path or when the filesystem cannot be queried.
std::optional<std::uint64_t> GetDiskFreeBytesAvailable(const std::string& path);

// Mount point of the filesystem holding the path (the longest matching mount
// point of the normalised path; of equal ones the later mount, which covers
// the earlier). "" for an empty path or an unreadable mount table.
std::string GetDriveOf(const std::string& path);

// True when both paths live on the same filesystem (same device, so two
// mounts of one filesystem are one drive). False when either is unknown.
bool IsSameDrive(const std::string& a, const std::string& b);

// Root of the fixed, non-USB drive with a root that has the most bytes
// available to this user; of equal ones the earlier drive. "" when none.
std::string RoomiestFixedDriveRoot();

// The path with its drive's root (or, when it does not lie below that root,
// its mount point) replaced by the roomiest drive's root. Unchanged when the
// path is already on that drive or no drive qualifies.
std::string MoveToRoomiestDrive(const std::string& path);

// Block-device facts from sysfs. A failed query yields all false.
struct BlockDeviceFlags {
  bool removable = false;
  bool usb = false;
};

// Where the drive functions get their facts; tests inject their own.
class IDriveSource {
 public:
  virtual ~IDriveSource() = default;
  // Text of /proc/self/mountinfo ("" when unreadable).
  virtual std::string MountInfo() = 0;
  virtual std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint) = 0;
  virtual BlockDeviceFlags DeviceFlags(unsigned major, unsigned minor, const std::string& source) = 0;
  virtual bool IsWritableFolder(const std::string& path) = 0;
  virtual std::string CacheFolder() = 0;
  // Absolute form of a path with the symbolic links of its existing part resolved.
  virtual std::string ResolvePath(const std::string& path) = 0;
};

// The source that asks this machine: /proc/self/mountinfo, sysfs, statvfs.
std::shared_ptr<IDriveSource> CreateSystemDriveSource();

// nullptr restores the real source.
void SetDriveSourceForTesting(std::shared_ptr<IDriveSource> source);

}  // namespace cwplat
