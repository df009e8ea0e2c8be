// The request record: one JSON line per request received, written and
// flushed as each answer completes, so that a test can read it at any time.
#pragma once

#include "RequestNote.h"

#include <httplib.h>

#include <fstream>
#include <mutex>
#include <string>

namespace devserver {

class Recorder {
 public:
  // Opens (and empties) the record file.
  bool Open(const std::string& path, std::string& error);
  void Record(const httplib::Request& req, const httplib::Response& res, const std::string& scheme,
              const RequestNote& note);

 private:
  std::mutex m_mutex;
  std::ofstream m_out;
};

// ISO 8601 UTC with milliseconds, e.g. "2024-05-01T12:00:00.123Z".
std::string FormatUtc(std::chrono::system_clock::time_point when);

}  // namespace devserver
