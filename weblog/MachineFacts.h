// The machine facts every analytics report carries.
#pragma once

#include <cstdint>
#include <string>

struct MachineFacts {
  std::string uid;        // identifier of the system volume
  std::string mac;        // twelve upper-case hex digits, "" when no adapter qualifies
  std::uint32_t volumeSerial = 0;  // serial of the system volume, 0 when unknown
  std::string os;         // operating system name
  std::string osVersion;  // its version text
};

// Reads them from the system (see README.md for the Linux sources).
MachineFacts ReadMachineFacts();
