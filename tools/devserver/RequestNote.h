// What the server did with the request now being answered, beyond what the
// HTTP library's request and response show: the faults applied, the body
// bytes really sent, when it arrived. The library answers a request, body
// included, on one thread, so the note is per thread; the record reads and
// clears it when the answer is complete.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace devserver {

struct RequestNote {
  bool routed = false;  // our router has seen the request
  std::chrono::system_clock::time_point received{};
  std::vector<std::string> faults;  // "reset_after=100", ...
  std::uint64_t bodySent = 0;
  // The body's content type as we set it, restored if the library rewrites it
  // for a request with several ranges (we answer those with the whole body).
  std::string contentType;
  bool lowercaseHeaders = false;

  void AddFault(const std::string& name, const std::string& value) { faults.push_back(name + "=" + value); }
};

RequestNote& CurrentNote();
void ClearCurrentNote();

}  // namespace devserver
