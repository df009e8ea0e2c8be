// Streams part of a served file as a response body, a piece at a time (a
// 1 GiB package never sits in memory), and applies the body faults on the way:
// a reset or a close after N bytes, a stall, a byte rate.
#pragma once

#include "Faults.h"
#include "SocketControl.h"

#include <httplib.h>

#include <cstdint>
#include <filesystem>

namespace devserver {

struct BodyPlan {
  std::filesystem::path file;
  std::uint64_t fileSize = 0;  // on disk when the request was answered
  std::uint64_t first = 0;     // first byte of the served representation to send
  std::uint64_t length = 0;    // bytes the headers announce
  FaultPlan faults;
  ConnectionId connection;     // for the TCP reset
};

// Past the end of the real file (a size_change that makes it longer) the body
// continues with filler bytes: the byte at offset o is o % 251.
char FillerByte(std::uint64_t offset);

httplib::ContentProviderWithoutLength MakeBodyProvider(BodyPlan plan);

}  // namespace devserver
