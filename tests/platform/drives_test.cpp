#include "platform/drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace {

using cwplat::BlockDeviceFlags;

// A mount table and device facts made up by the test.
class FakeDriveSource : public cwplat::IDriveSource {
 public:
  std::string mountInfo;
  std::map<std::string, std::uint64_t> free;  // by mount point; missing = query fails
  std::map<std::pair<unsigned, unsigned>, BlockDeviceFlags> flags;  // missing = query fails
  std::set<std::string> writable;
  std::string cache = "/home/u/.cache";

  std::string MountInfo() override { return mountInfo; }
  std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint) override {
    const auto it = free.find(mountPoint);
    if (it == free.end()) return std::nullopt;
    return it->second;
  }
  BlockDeviceFlags DeviceFlags(unsigned major, unsigned minor, const std::string&) override {
    const auto it = flags.find({major, minor});
    return it == flags.end() ? BlockDeviceFlags{} : it->second;
  }
  bool IsWritableFolder(const std::string& path) override { return writable.count(path) != 0; }
  std::string CacheFolder() override { return cache; }
  std::string ResolvePath(const std::string& path) override { return path; }

  void Mount(const std::string& device, const std::string& mountPoint, const std::string& type = "ext4",
             const std::string& root = "/") {
    mountInfo += std::to_string(++m_id) + " 1 " + device + " " + root + " " + mountPoint +
                 " rw,relatime shared:1 - " + type + " /dev/x rw\n";
  }

 private:
  int m_id = 20;
};

class Drives : public ::testing::Test {
 protected:
  void SetUp() override { cwplat::SetDriveSourceForTesting(fake); }
  void TearDown() override { cwplat::SetDriveSourceForTesting(nullptr); }

  std::shared_ptr<FakeDriveSource> fake = std::make_shared<FakeDriveSource>();
};

TEST(MountInfo, ParsesFieldsEscapesAndSkipsJunk) {
  const std::string text =
      "22 1 0:21 / /proc rw - proc proc rw\n"
      "garbage\n"
      "\n"
      "1 2 3\n"
      "30 1 8:1 / /mnt/my\\040disk rw shared:1 master:2 - ext4 /dev/sda1 rw\n"
      "31 1 x:1 / /bad rw - ext4 /dev/sdb rw\n"           // device not a number
      "32 1 8:2 / /no/separator rw ext4 /dev/sdc rw\n"     // no "-"
      "33 1 8:3 / relative rw - ext4 /dev/sdd rw\n"        // not an absolute path
      "34 1 8:4 / /nul\\000name rw - ext4 /dev/sde rw\n"   // a NUL is never part of a path
      "35 1 8:5 /sub/dir /back\\134slash/\\9x rw - xfs /dev/sdf rw\n"
      "36 1 8:6 / /last rw - btrfs /dev/sdg";              // no final newline
  const auto entries = cwplat::ParseMountInfo(text);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].mountPoint, "/proc");
  EXPECT_EQ(entries[0].fsType, "proc");
  EXPECT_EQ(entries[1].mountPoint, "/mnt/my disk");
  EXPECT_EQ(entries[1].major, 8u);
  EXPECT_EQ(entries[1].minor, 1u);
  EXPECT_EQ(entries[1].source, "/dev/sda1");
  EXPECT_EQ(entries[2].root, "/sub/dir");
  EXPECT_EQ(entries[2].mountPoint, "/back\\slash/\\9x");  // a backslash without three octal digits stays
  EXPECT_EQ(entries[3].mountPoint, "/last");
}

TEST(MountInfo, OverlongLinesAreSkippedWhole) {
  const std::string longLine = "40 1 8:1 / /" + std::string(cwplat::kMaxMountLine, 'a') + " rw - ext4 /dev/a rw\n";
  const auto entries = cwplat::ParseMountInfo(longLine + "41 1 8:2 / /ok rw - ext4 /dev/b rw\n");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].mountPoint, "/ok");
}

TEST(MountInfo, RandomTextNeverBreaksTheParser) {
  const char alphabet[] = "0123456789:/- \\\nabcx";
  unsigned seed = 12345;
  std::string text;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    text += alphabet[(seed >> 16) % (sizeof(alphabet) - 1)];
  }
  for (const auto& e : cwplat::ParseMountInfo(text)) {
    EXPECT_EQ(e.mountPoint[0], '/');
    EXPECT_EQ(e.root[0], '/');
    EXPECT_FALSE(e.fsType.empty());
  }
}

TEST(MountInfo, FilesystemKindsAndPathNormalForm) {
  for (const char* t : {"ext4", "xfs", "btrfs", "zfs", "overlay", "fuseblk", "vfat"})
    EXPECT_TRUE(cwplat::IsDriveFilesystem(t)) << t;
  for (const char* t : {"proc", "sysfs", "cgroup2", "tmpfs", "devtmpfs", "nfs4", "cifs", "fuse", "fuse.sshfs",
                        "squashfs", "9p", ""})
    EXPECT_FALSE(cwplat::IsDriveFilesystem(t)) << t;

  EXPECT_EQ(cwplat::NormalizeAbsolutePath("//a/./b/../c/"), "/a/c");
  EXPECT_EQ(cwplat::NormalizeAbsolutePath("/../.."), "/");
  EXPECT_EQ(cwplat::NormalizeAbsolutePath("relative/x"), "");
  EXPECT_EQ(cwplat::NormalizeAbsolutePath(""), "");
}

TEST_F(Drives, FixedDrivesSkipPseudoRemovableAndRepeatedDevices) {
  fake->Mount("0:21", "/proc", "proc");
  fake->Mount("0:23", "/dev/shm", "tmpfs");
  fake->Mount("8:1", "/etc/hosts", "ext4", "/var/lib/hosts");  // a file bind-mounted first
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:17", "/media/stick", "vfat");
  fake->Mount("8:33", "/srv/usbdisk", "ext4");
  fake->Mount("0:40", "/net", "nfs4");
  fake->Mount("8:2", "/home", "ext4");
  fake->flags[{8, 17}] = {true, true};
  fake->flags[{8, 33}] = {false, true};
  fake->writable = {"/srv/usbdisk", "/media/stick"};
  fake->free = {{"/", 100}, {"/home", 50}, {"/srv/usbdisk", 900}};

  const auto drives = cwplat::GetFixedDrives();
  ASSERT_EQ(drives.size(), 3u);
  EXPECT_EQ(drives[0].mountPoint, "/");  // the whole filesystem names the device
  EXPECT_EQ(drives[0].root, "");         // not writable, and not the cache's drive
  EXPECT_EQ(drives[1].mountPoint, "/srv/usbdisk");
  EXPECT_TRUE(drives[1].usb);  // a fixed USB disk is still a drive
  EXPECT_EQ(drives[1].root, "/srv/usbdisk");
  EXPECT_EQ(drives[2].mountPoint, "/home");
  EXPECT_EQ(drives[2].root, "/home/u/.cache");
  EXPECT_EQ(drives[2].freeBytes, 50u);
}

TEST_F(Drives, RoomiestSkipsUsbAndRootlessDrivesAndKeepsTheEarlierOnTies) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/home", "ext4");
  fake->Mount("8:3", "/data", "xfs");
  fake->Mount("8:4", "/data2", "xfs");
  fake->Mount("8:5", "/usb", "ext4");
  fake->writable = {"/data", "/data2", "/usb"};
  fake->flags[{8, 5}] = {false, true};
  fake->free = {{"/", 5000}, {"/home", 10}, {"/data", 300}, {"/data2", 300}, {"/usb", 9000}};
  EXPECT_EQ(cwplat::RoomiestFixedDriveRoot(), "/data");

  fake->free["/data2"] = 301;
  EXPECT_EQ(cwplat::RoomiestFixedDriveRoot(), "/data2");

  // A drive whose free space cannot be read is never chosen.
  fake->free.erase("/data2");
  EXPECT_EQ(cwplat::RoomiestFixedDriveRoot(), "/data");

  // A failed USB query counts as not USB.
  fake->flags.clear();
  EXPECT_EQ(cwplat::RoomiestFixedDriveRoot(), "/usb");
}

TEST_F(Drives, RoomiestIsEmptyWithoutCandidates) {
  fake->Mount("0:21", "/proc", "proc");
  fake->Mount("8:1", "/", "ext4");
  fake->free = {{"/", 100}};
  fake->cache = "/tmp/cache";
  fake->Mount("0:30", "/tmp", "tmpfs");  // the cache folder is not on a drive
  EXPECT_EQ(cwplat::RoomiestFixedDriveRoot(), "");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/opt/app"), "/opt/app");

  fake->mountInfo.clear();
  EXPECT_TRUE(cwplat::GetFixedDrives().empty());
  EXPECT_EQ(cwplat::GetDriveOf("/opt"), "");
  EXPECT_FALSE(cwplat::GetDiskFreeBytesAvailable("/opt").has_value());
}

TEST_F(Drives, LongestMountPointHoldsThePath) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/home", "ext4");
  fake->Mount("8:3", "/homework", "ext4");
  fake->Mount("8:4", "/mnt/my\\040disk", "ext4");
  fake->free = {{"/", 1}, {"/home", 2}, {"/homework", 3}, {"/mnt/my disk", 4}};

  EXPECT_EQ(cwplat::GetDriveOf("/home/u/file"), "/home");
  EXPECT_EQ(cwplat::GetDriveOf("/homework/x"), "/homework");
  EXPECT_EQ(cwplat::GetDriveOf("/homeworks"), "/");
  EXPECT_EQ(cwplat::GetDriveOf("/home/../homework//y/"), "/homework");
  EXPECT_EQ(cwplat::GetDriveOf("/mnt/my disk/a"), "/mnt/my disk");
  EXPECT_EQ(cwplat::GetDriveOf(""), "");

  EXPECT_EQ(cwplat::GetDiskFreeBytesAvailable("/home/u/not/yet/made"), 2u);
  EXPECT_EQ(cwplat::GetDiskFreeBytesAvailable("/homework"), 3u);
  EXPECT_EQ(cwplat::GetDiskFreeBytesAvailable("/homeless"), 1u);
  EXPECT_FALSE(cwplat::GetDiskFreeBytesAvailable("").has_value());
  fake->free.erase("/home");
  EXPECT_FALSE(cwplat::GetDiskFreeBytesAvailable("/home/u").has_value());
}

TEST_F(Drives, LaterMountOnTheSamePointHidesTheEarlier) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/data", "ext4");
  fake->Mount("8:3", "/data", "xfs");
  fake->Mount("8:3", "/other", "xfs");
  fake->Mount("8:2", "/data/sub", "ext4", "/sub");  // the hidden filesystem shown again below
  EXPECT_TRUE(cwplat::IsSameDrive("/data/a", "/other/b"));
  EXPECT_FALSE(cwplat::IsSameDrive("/data/a", "/data/sub/b"));
}

TEST_F(Drives, SameDriveMeansSameDevice) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/home", "ext4");
  fake->Mount("8:2", "/srv/bind", "ext4", "/u/shared");  // a bind mount of the home filesystem
  EXPECT_TRUE(cwplat::IsSameDrive("/home/u/a", "/srv/bind/b"));
  EXPECT_FALSE(cwplat::IsSameDrive("/home/u/a", "/opt/b"));
  EXPECT_TRUE(cwplat::IsSameDrive("/opt", "/usr/x"));
  EXPECT_FALSE(cwplat::IsSameDrive("", "/usr/x"));
}

TEST_F(Drives, MoveReplacesTheDriveRootWithTheRoomiestOne) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/home", "ext4");
  fake->Mount("8:3", "/data", "ext4");
  fake->writable = {"/data"};
  fake->free = {{"/", 1}, {"/home", 10}, {"/data", 100}};

  // Below the cache folder, the cache folder is the root; elsewhere the mount point.
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/home/u/.cache/CWDownloader/x"), "/data/CWDownloader/x");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/home/u/.local/opt/Quorla"), "/data/u/.local/opt/Quorla");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/home"), "/data");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/opt/Quorla"), "/data/opt/Quorla");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/data/already/here"), "/data/already/here");

  fake->free["/home"] = 1000;
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/data/Quorla"), "/home/u/.cache/Quorla");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/home/u/x"), "/home/u/x");
}

TEST_F(Drives, MoveOntoTheRootFilesystemKeepsOneSlash) {
  fake->Mount("8:1", "/", "ext4");
  fake->Mount("8:2", "/small", "ext4");
  fake->writable = {"/", "/small"};
  fake->cache = "";
  fake->free = {{"/", 100}, {"/small", 1}};
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/small/a/b"), "/a/b");
  EXPECT_EQ(cwplat::MoveToRoomiestDrive("/small"), "/");
}

// The same questions asked of this machine.
TEST(SystemDrives, AnswersForThisMachine) {
  cwplat::SetDriveSourceForTesting(nullptr);
  cwtest::TempDir dir;
  EXPECT_EQ(cwplat::GetDriveOf("/"), "/");
  EXPECT_TRUE(cwplat::GetDiskFreeBytesAvailable(dir.path()).has_value());
  EXPECT_TRUE(cwplat::GetDiskFreeBytesAvailable(dir / "not/yet/created").has_value());
  EXPECT_EQ(cwplat::GetDriveOf(dir / "not/yet/created"), cwplat::GetDriveOf(dir.path()));
  EXPECT_TRUE(cwplat::IsSameDrive(dir.path(), dir / "x/y"));
  EXPECT_FALSE(cwplat::GetDiskFreeBytesAvailable("").has_value());
  for (const auto& d : cwplat::GetFixedDrives()) {
    EXPECT_TRUE(cwplat::IsDriveFilesystem(d.fsType)) << d.mountPoint;
    EXPECT_EQ(d.mountPoint[0], '/');
  }
  // A machine without fixed drives has no roomiest one either.
  const std::string root = cwplat::RoomiestFixedDriveRoot();
  EXPECT_EQ(root.empty(), cwplat::GetFixedDrives().empty());
  if (!root.empty()) {
    EXPECT_EQ(cwplat::MoveToRoomiestDrive(root + "/x"), root + "/x");
  }
}

TEST(SystemDrives, SourceResolvesLinksAndQueriesDevices) {
  auto source = cwplat::CreateSystemDriveSource();
  cwtest::TempDir dir;
  const std::string real = std::filesystem::canonical(dir.path()).string();
  std::filesystem::create_directory(dir / "target");
  std::filesystem::create_directory_symlink(dir / "target", dir / "link");
  cwtest::WriteFile(dir / "file", "x");

  EXPECT_EQ(source->ResolvePath(dir / "link/new/./sub/"), real + "/target/new/sub");
  EXPECT_EQ(source->ResolvePath(""), "");
  EXPECT_EQ(source->ResolvePath("relative")[0], '/');
  EXPECT_TRUE(source->IsWritableFolder(dir.path()));
  EXPECT_FALSE(source->IsWritableFolder(dir / "file"));
  EXPECT_FALSE(source->IsWritableFolder(dir / "missing"));
  EXPECT_FALSE(source->FreeBytes(dir / "missing").has_value());

  const BlockDeviceFlags none = source->DeviceFlags(4095, 1048575, "/dev/does-not-exist");
  EXPECT_FALSE(none.removable);
  EXPECT_FALSE(none.usb);

  bool sawRoot = false;
  for (const auto& e : cwplat::ParseMountInfo(source->MountInfo())) sawRoot = sawRoot || e.mountPoint == "/";
  EXPECT_TRUE(sawRoot);
}

}  // namespace
