// Facts that identify this machine to the analytics services: the hardware
// address of its network adapter, the identifier and serial of the system
// volume, the kernel release and the address a host name resolves to.
//
// The sysfs and /dev readings take the folder that stands for "/" so tests can
// lay out a fake tree; the default reads the live system. Everything read is
// bounded and validated; anything unexpected counts as "not there".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cwplat {

// The counterpart of the first adapter Windows lists whose description names
// neither "Virtual" nor "Bluetooth": of the interfaces in <root>/sys/class/net,
// ordered by interface index, the first that is backed by a device (has a
// "device" link; loopback, bridges, tunnels, veth and the like have none), is
// not Bluetooth (its device's subsystem or its DEVTYPE says so), and carries a
// 6-byte, non-zero hardware address. Twelve upper-case hex digits, "" when
// there is none.
std::string GetPrimaryMacAddress(const std::string& root = "/");

// The hardware address text of sysfs ("aa:bb:cc:dd:ee:ff") as twelve
// upper-case hex digits; nothing for any other shape or an all-zero address.
std::optional<std::string> MacFromSysfsText(std::string_view text);

// UUID of the filesystem mounted at "/", as the entry of <root>/dev/disk/by-uuid
// names it ("" when none matches, e.g. in a container on an overlay). The
// entry is matched by the device number of the root mount
// (<root>/proc/self/mountinfo against <root>/sys/class/block/<dev>/dev), or by
// the device the root was mounted from (filesystems with an anonymous number).
std::string GetRootFilesystemUuid(const std::string& root = "/");

// The 32-bit serial Windows shows for a volume, from its UUID text: a FAT
// volume's "ABCD-1234" is that serial; an NTFS volume's 16 hex digits hold a
// 64-bit serial whose low half Windows shows; any other UUID gives its first
// 32 bits. Nothing when the text holds no hex digit or other characters than
// hex digits and '-'.
std::optional<std::uint32_t> VolumeSerialFromUuid(std::string_view uuid);

// Kernel release ("6.1.0-18-amd64"), "" when it cannot be read.
std::string GetKernelRelease();

// The first IPv4 address (dotted) the name resolves to, "" when none.
std::string GetHostAddress(const std::string& hostName);

}  // namespace cwplat
