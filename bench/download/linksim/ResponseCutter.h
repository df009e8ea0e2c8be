// Follows one connection's HTTP/1.1 exchanges (requests one way, responses the
// other) to find where each response body starts and how long it is, and asks
// a chooser whether, and after how many body bytes, to cut the connection.
// Framing is libhttp_parser's; a stream it cannot follow (a parse error, an
// upgrade) is passed on untouched and never cut.
#pragma once

#include <http_parser.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

namespace linksim {

class ResponseCutter {
 public:
  // Called once per response that has a body of known length; returns the
  // number of body bytes to let through (below bodyLength) or nothing to
  // leave the response whole.
  using Chooser = std::function<std::optional<std::uint64_t>(std::uint64_t bodyLength)>;

  explicit ResponseCutter(Chooser choose);
  ResponseCutter(const ResponseCutter&) = delete;
  ResponseCutter& operator=(const ResponseCutter&) = delete;

  // Client-to-server bytes, in order (to learn which responses answer HEAD).
  void OnRequestBytes(const char* data, std::size_t size);
  // Server-to-client bytes, in order. Returns how many of them to pass on: all
  // of them, or fewer when the cut falls inside; after a cut nothing more.
  std::size_t OnResponseBytes(const char* data, std::size_t size);

  bool cut() const { return m_cut; }
  std::uint64_t responses() const { return m_responses; }
  // The cut response's body length and the body bytes let through.
  std::uint64_t cutBodyLength() const { return m_cutLength; }
  std::uint64_t cutAfter() const { return m_cutAfter; }

 private:
  static int OnRequestHeaders(http_parser* parser);
  static int OnResponseHeaders(http_parser* parser);
  static int OnResponseBody(http_parser* parser, const char* at, std::size_t length);

  Chooser m_choose;
  http_parser m_request{};
  http_parser m_response{};
  http_parser_settings m_requestSettings{};
  http_parser_settings m_responseSettings{};
  std::deque<bool> m_headRequests;  // one per request not yet answered: true for HEAD
  bool m_lost = false;              // framing lost: pass everything, cut nothing
  std::optional<std::uint64_t> m_bodyLeftBeforeCut;  // in the current response
  bool m_cut = false;
  const char* m_cutAt = nullptr;  // inside the buffer being parsed
  std::uint64_t m_responses = 0;
  std::uint64_t m_cutLength = 0;
  std::uint64_t m_cutAfter = 0;
};

}  // namespace linksim
