#include "platform/drives.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>
#include <utility>

namespace cwplat {
namespace {

// Filesystems that never make a drive: kernel pseudo filesystems, memory
// filesystems (a RAM disk is not a fixed drive), read-only images and optical
// media, and network or host-shared folders.
constexpr std::string_view kNotDriveTypes[] = {
    // kernel pseudo filesystems
    "proc", "sysfs", "cgroup", "cgroup2", "devpts", "devtmpfs", "mqueue", "debugfs", "tracefs", "securityfs",
    "pstore", "bpf", "configfs", "fusectl", "hugetlbfs", "autofs", "binfmt_misc", "efivarfs", "rpc_pipefs",
    "nfsd", "nsfs", "selinuxfs", "smackfs", "binder", "binderfs", "cpuset", "usbfs", "devfs", "sockfs",
    "pipefs", "anon_inodefs", "rootfs",
    // memory
    "tmpfs", "ramfs",
    // read-only images and optical media
    "squashfs", "iso9660", "udf", "erofs", "cramfs", "romfs",
    // network and host-shared folders
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs", "coda", "9p", "virtiofs", "ceph", "glusterfs",
    "lustre", "gpfs", "davfs", "sshfs", "vboxsf", "vmhgfs", "prl_fs",
};

bool ParseNumber(std::string_view s, unsigned& out) {
  if (s.empty()) return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
  return ec == std::errc() && end == s.data() + s.size();
}

// The kernel writes blank, tab, newline and backslash in paths as \ooo.
// A NUL is never part of a path, so a line that claims one is rejected.
std::optional<std::string> DecodeField(std::string_view f) {
  std::string out;
  out.reserve(f.size());
  for (std::size_t i = 0; i < f.size(); ++i) {
    if (f[i] == '\\' && i + 3 < f.size() && f[i + 1] >= '0' && f[i + 1] <= '3' &&
        f[i + 2] >= '0' && f[i + 2] <= '7' && f[i + 3] >= '0' && f[i + 3] <= '7') {
      const int v = (f[i + 1] - '0') * 64 + (f[i + 2] - '0') * 8 + (f[i + 3] - '0');
      if (v == 0) return std::nullopt;
      out += static_cast<char>(v);
      i += 3;
    } else {
      out += f[i];
    }
  }
  return out;
}

// "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 - ext3 /dev/root rw"
std::optional<MountEntry> ParseLine(std::string_view line) {
  std::vector<std::string_view> f;
  std::size_t i = 0;
  while (i < line.size() && f.size() < 64) {
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ' ') ++j;
    if (j > i) f.push_back(line.substr(i, j - i));
    i = j;
  }
  // Six fixed fields, optional fields, "-", then type and source (and options).
  std::size_t sep = 6;
  while (sep < f.size() && f[sep] != "-") ++sep;
  if (sep + 2 >= f.size()) return std::nullopt;
  unsigned id = 0, parent = 0;
  if (!ParseNumber(f[0], id) || !ParseNumber(f[1], parent)) return std::nullopt;
  const std::size_t colon = f[2].find(':');
  MountEntry e;
  if (colon == std::string_view::npos || !ParseNumber(f[2].substr(0, colon), e.major) ||
      !ParseNumber(f[2].substr(colon + 1), e.minor))
    return std::nullopt;
  auto root = DecodeField(f[3]);
  auto mountPoint = DecodeField(f[4]);
  auto fsType = DecodeField(f[sep + 1]);
  auto source = DecodeField(f[sep + 2]);
  if (!root || !mountPoint || !fsType || !source) return std::nullopt;
  e.root = NormalizeAbsolutePath(*root);
  e.mountPoint = NormalizeAbsolutePath(*mountPoint);
  if (e.root.empty() || e.mountPoint.empty() || fsType->empty()) return std::nullopt;
  e.fsType = std::move(*fsType);
  e.source = std::move(*source);
  return e;
}

bool IsUnder(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

template <typename A, typename B>
bool SameDevice(const A& a, const B& b) {
  return a.major == b.major && a.minor == b.minor;
}

// The mount that holds an absolute normalised path: the longest matching mount
// point; of equal ones the later, which hides the earlier.
const MountEntry* FindMount(const std::vector<MountEntry>& mounts, const std::string& path) {
  const MountEntry* best = nullptr;
  for (const auto& m : mounts) {
    if (IsUnder(path, m.mountPoint) && (best == nullptr || m.mountPoint.size() >= best->mountPoint.size()))
      best = &m;
  }
  return best;
}

std::mutex g_sourceMutex;
std::shared_ptr<IDriveSource> g_source;

std::shared_ptr<IDriveSource> Source() {
  std::lock_guard<std::mutex> lock(g_sourceMutex);
  if (!g_source) g_source = CreateSystemDriveSource();
  return g_source;
}

// What one call needs: the mount table and a resolved path in it.
struct Lookup {
  std::shared_ptr<IDriveSource> source = Source();
  std::vector<MountEntry> mounts = ParseMountInfo(source->MountInfo());

  const MountEntry* MountOf(const std::string& path, std::string* resolved = nullptr) const {
    if (path.empty()) return nullptr;
    const std::string p = NormalizeAbsolutePath(source->ResolvePath(path));
    if (resolved != nullptr) *resolved = p;
    return p.empty() ? nullptr : FindMount(mounts, p);
  }
};

// One drive per device, named by its whole-filesystem mount when there is one.
std::vector<DriveInfo> CollectFixedDrives(const Lookup& lookup) {
  IDriveSource& src = *lookup.source;
  std::string cache;
  const MountEntry* cacheMount = lookup.MountOf(src.CacheFolder(), &cache);

  std::vector<std::vector<const MountEntry*>> groups;
  std::map<std::pair<unsigned, unsigned>, std::size_t> groupOf;
  for (const auto& m : lookup.mounts) {
    if (!IsDriveFilesystem(m.fsType)) continue;
    const auto [it, added] = groupOf.try_emplace({m.major, m.minor}, groups.size());
    if (added) groups.emplace_back();
    groups[it->second].push_back(&m);
  }

  std::vector<DriveInfo> drives;
  for (auto& group : groups) {
    const auto whole = std::find_if(group.begin(), group.end(), [](const MountEntry* m) { return m->root == "/"; });
    if (whole != group.end()) std::rotate(group.begin(), whole, whole + 1);
    const MountEntry& rep = *group.front();
    const BlockDeviceFlags flags = src.DeviceFlags(rep.major, rep.minor, rep.source);
    if (flags.removable) continue;
    DriveInfo d{rep.mountPoint, "", rep.fsType, rep.source, rep.major, rep.minor, flags.usb, std::nullopt};
    if (cacheMount != nullptr && SameDevice(*cacheMount, rep)) {
      d.root = cache;
    } else {
      for (const MountEntry* m : group) {
        if (src.IsWritableFolder(m->mountPoint)) {
          d.root = m->mountPoint;
          break;
        }
      }
    }
    d.freeBytes = src.FreeBytes(rep.mountPoint);
    drives.push_back(std::move(d));
  }
  return drives;
}

const DriveInfo* Roomiest(const std::vector<DriveInfo>& drives) {
  const DriveInfo* best = nullptr;
  for (const auto& d : drives) {
    if (d.usb || d.root.empty() || !d.freeBytes) continue;
    if (best == nullptr || *d.freeBytes > *best->freeBytes) best = &d;
  }
  return best;
}

}  // namespace

std::string NormalizeAbsolutePath(std::string_view path) {
  if (path.empty() || path[0] != '/') return {};
  std::vector<std::string_view> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    std::size_t j = i;
    while (j < path.size() && path[j] != '/') ++j;
    const std::string_view part = path.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j;
  }
  if (parts.empty()) return "/";
  std::string out;
  for (const auto part : parts) {
    out += '/';
    out += part;
  }
  return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> entries;
  std::size_t pos = 0;
  while (pos < text.size() && entries.size() < kMaxMountEntries) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.size() > kMaxMountLine) continue;
    if (auto e = ParseLine(line)) entries.push_back(std::move(*e));
  }
  return entries;
}

bool IsDriveFilesystem(std::string_view fsType) {
  if (fsType.empty()) return false;
  // User-space filesystems can be anything (sshfs, rclone, gvfs); only the
  // block-backed kind (ntfs-3g and friends) is a local disk.
  if (fsType == "fuse" || fsType.substr(0, 5) == "fuse.") return false;
  return std::find(std::begin(kNotDriveTypes), std::end(kNotDriveTypes), fsType) == std::end(kNotDriveTypes);
}

std::vector<DriveInfo> GetFixedDrives() {
  return CollectFixedDrives(Lookup{});
}

std::optional<std::uint64_t> GetDiskFreeBytesAvailable(const std::string& path) {
  const Lookup lookup;
  const MountEntry* m = lookup.MountOf(path);
  if (m == nullptr) return std::nullopt;
  return lookup.source->FreeBytes(m->mountPoint);
}

std::string GetDriveOf(const std::string& path) {
  const Lookup lookup;
  const MountEntry* m = lookup.MountOf(path);
  return m == nullptr ? std::string() : m->mountPoint;
}

bool IsSameDrive(const std::string& a, const std::string& b) {
  const Lookup lookup;
  const MountEntry* ma = lookup.MountOf(a);
  const MountEntry* mb = lookup.MountOf(b);
  return ma != nullptr && mb != nullptr && SameDevice(*ma, *mb);
}

std::string RoomiestFixedDriveRoot() {
  const std::vector<DriveInfo> drives = GetFixedDrives();
  const DriveInfo* best = Roomiest(drives);
  return best == nullptr ? std::string() : best->root;
}

std::string MoveToRoomiestDrive(const std::string& path) {
  const Lookup lookup;
  std::string resolved;
  const MountEntry* m = lookup.MountOf(path, &resolved);
  if (m == nullptr) return path;
  const std::vector<DriveInfo> drives = CollectFixedDrives(lookup);
  const DriveInfo* best = Roomiest(drives);
  if (best == nullptr || SameDevice(*best, *m)) return path;

  // What the path keeps: the part below its drive's root, else below its mount point.
  std::string base = m->mountPoint;
  for (const auto& d : drives) {
    if (SameDevice(d, *m) && !d.root.empty() && IsUnder(resolved, d.root)) base = d.root;
  }
  const std::string rest = base == "/" ? resolved : resolved.substr(base.size());
  if (rest.empty()) return best->root;
  return best->root == "/" ? rest : best->root + rest;
}

void SetDriveSourceForTesting(std::shared_ptr<IDriveSource> source) {
  std::lock_guard<std::mutex> lock(g_sourceMutex);
  g_source = std::move(source);
}

}  // namespace cwplat
