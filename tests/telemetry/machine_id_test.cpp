#include "platform/machine_id.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A fake root with /sys/class/net entries.
class FakeNet {
 public:
  // `device`: whether a device stands behind it; `subsystem`: the device's subsystem.
  void Add(const std::string& name, const std::string& address, int ifIndex, bool device = true,
           const std::string& subsystem = "pci", const std::string& uevent = "") {
    const std::string dir = Net() + "/" + name;
    fs::create_directories(dir);
    cwtest::WriteFile(dir + "/address", address + "\n");
    cwtest::WriteFile(dir + "/ifindex", std::to_string(ifIndex) + "\n");
    cwtest::WriteFile(dir + "/uevent", "INTERFACE=" + name + "\n" + uevent);
    if (device) {
      const std::string dev = m_root.path() + "/devices/" + name;
      fs::create_directories(dev);
      fs::create_directory_symlink(m_root.path() + "/bus/" + subsystem, dev + "/subsystem");
      fs::create_directory_symlink(dev, dir + "/device");
    }
  }
  std::string Net() const { return m_root.path() + "/sys/class/net"; }
  std::string root() const { return m_root.path(); }

 private:
  cwtest::TempDir m_root;
};

TEST(MacAddress, SysfsTextMustBeSixPairs) {
  EXPECT_EQ(cwplat::MacFromSysfsText("0a:1b:2c:3d:4e:5f\n"), "0A1B2C3D4E5F");
  EXPECT_FALSE(cwplat::MacFromSysfsText("00:00:00:00:00:00"));
  EXPECT_FALSE(cwplat::MacFromSysfsText("0a:1b:2c:3d:4e"));
  EXPECT_FALSE(cwplat::MacFromSysfsText("0a-1b-2c-3d-4e-5f"));
  EXPECT_FALSE(cwplat::MacFromSysfsText("0g:1b:2c:3d:4e:5f"));
  // InfiniBand's 20-byte addresses are not adapter MACs.
  EXPECT_FALSE(cwplat::MacFromSysfsText("80:00:02:08:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0f:3d:b1"));
  EXPECT_FALSE(cwplat::MacFromSysfsText(""));
}

TEST(MacAddress, FirstPhysicalNonBluetoothAdapterByIndex) {
  FakeNet net;
  net.Add("lo", "00:00:00:00:00:00", 1, false);
  net.Add("docker0", "02:42:ac:11:00:01", 2, false);
  net.Add("bnep0", "11:22:33:44:55:66", 3, true, "bluetooth");
  net.Add("bt1", "11:22:33:44:55:67", 4, true, "usb", "DEVTYPE=bluetooth\n");
  net.Add("wlp3s0", "aa:bb:cc:dd:ee:02", 6);
  net.Add("enp0s31f6", "aa:bb:cc:dd:ee:01", 5);
  EXPECT_EQ(cwplat::GetPrimaryMacAddress(net.root()), "AABBCCDDEE01");
}

TEST(MacAddress, NoQualifyingAdapterGivesEmpty) {
  FakeNet net;
  net.Add("lo", "00:00:00:00:00:00", 1, false);
  net.Add("eth0", "garbage", 2);
  EXPECT_EQ(cwplat::GetPrimaryMacAddress(net.root()), "");
  cwtest::TempDir empty;
  EXPECT_EQ(cwplat::GetPrimaryMacAddress(empty.path()), "");
}

// A fake root with a mount table, /dev/disk/by-uuid links and sysfs device numbers.
class FakeDisks {
 public:
  FakeDisks() {
    fs::create_directories(m_root / "proc/self");
    fs::create_directories(m_root / "dev/disk/by-uuid");
  }
  void RootMount(const std::string& majorMinor, const std::string& source, const std::string& extra = "") {
    cwtest::WriteFile(m_root / "proc/self/mountinfo",
                      extra + "22 1 " + majorMinor + " / / rw,relatime shared:1 - ext4 " + source + " rw\n" +
                          "30 22 0:5 / /proc rw - proc proc rw\n");
  }
  void Disk(const std::string& name, const std::string& majorMinor, const std::string& uuid) {
    fs::create_directories(m_root / ("sys/class/block/" + name));
    cwtest::WriteFile(m_root / ("sys/class/block/" + name + "/dev"), majorMinor + "\n");
    fs::create_symlink("../../" + name, m_root / ("dev/disk/by-uuid/" + uuid));
  }
  std::string root() const { return m_root.path(); }

 private:
  cwtest::TempDir m_root;
};

TEST(RootVolume, MatchedByDeviceNumber) {
  FakeDisks disks;
  disks.RootMount("259:2", "/dev/root");
  disks.Disk("nvme0n1p1", "259:1", "ABCD-1234");
  disks.Disk("nvme0n1p2", "259:2", "4f3c2b1a-0d9e-4c8b-a7f6-112233445566");
  EXPECT_EQ(cwplat::GetRootFilesystemUuid(disks.root()), "4f3c2b1a-0d9e-4c8b-a7f6-112233445566");
}

TEST(RootVolume, AnonymousDeviceNumberFallsBackToTheSource) {
  // btrfs reports 0:NN; the device it was mounted from names the volume.
  FakeDisks disks;
  disks.RootMount("0:31", "/dev/sda2");
  disks.Disk("sda1", "8:1", "1111-2222");
  disks.Disk("sda2", "8:2", "9e1b6c1e-1f2a-4b3c-8d4e-5f6a7b8c9d0e");
  EXPECT_EQ(cwplat::GetRootFilesystemUuid(disks.root()), "9e1b6c1e-1f2a-4b3c-8d4e-5f6a7b8c9d0e");
}

TEST(RootVolume, LaterRootMountWinsAndOverlayHasNone) {
  FakeDisks disks;
  disks.RootMount("0:52", "overlay", "21 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
  disks.Disk("sda1", "8:1", "1111-2222");
  EXPECT_EQ(cwplat::GetRootFilesystemUuid(disks.root()), "");
}

TEST(RootVolume, HostileEntriesAreSkipped) {
  FakeDisks disks;
  disks.RootMount("8:1", "/dev/sda1");
  disks.Disk("sda1", "8:1", "bad uuid with blanks");
  fs::create_symlink("../../..", fs::path(disks.root()) / "dev/disk/by-uuid/DEAD-BEEF");
  EXPECT_EQ(cwplat::GetRootFilesystemUuid(disks.root()), "");
  cwtest::TempDir nothing;
  EXPECT_EQ(cwplat::GetRootFilesystemUuid(nothing.path()), "");
}

TEST(RootVolume, SerialFromUuid) {
  EXPECT_EQ(cwplat::VolumeSerialFromUuid("ABCD-1234"), 0xABCD1234u);
  // NTFS: 16 digits, Windows shows the low half.
  EXPECT_EQ(cwplat::VolumeSerialFromUuid("0123456789ABCDEF"), 0x89ABCDEFu);
  EXPECT_EQ(cwplat::VolumeSerialFromUuid("4f3c2b1a-0d9e-4c8b-a7f6-112233445566"), 0x4f3c2b1au);
  EXPECT_EQ(cwplat::VolumeSerialFromUuid("00ab"), 0xABu);
  EXPECT_FALSE(cwplat::VolumeSerialFromUuid(""));
  EXPECT_FALSE(cwplat::VolumeSerialFromUuid("xyz"));
  EXPECT_FALSE(cwplat::VolumeSerialFromUuid(std::string(40, 'a')));
}

}  // namespace
