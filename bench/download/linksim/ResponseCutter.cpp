#include "ResponseCutter.h"

#include <utility>

namespace linksim {

namespace {
// http_parser_settings returns for on_headers_complete.
constexpr int kHasBody = 0;
constexpr int kNoBody = 1;
}  // namespace

ResponseCutter::ResponseCutter(Chooser choose) : m_choose(std::move(choose)) {
  http_parser_init(&m_request, HTTP_REQUEST);
  http_parser_init(&m_response, HTTP_RESPONSE);
  m_request.data = this;
  m_response.data = this;
  http_parser_settings_init(&m_requestSettings);
  http_parser_settings_init(&m_responseSettings);
  m_requestSettings.on_headers_complete = &ResponseCutter::OnRequestHeaders;
  m_responseSettings.on_headers_complete = &ResponseCutter::OnResponseHeaders;
  m_responseSettings.on_body = &ResponseCutter::OnResponseBody;
}

void ResponseCutter::OnRequestBytes(const char* data, std::size_t size) {
  if (m_lost || size == 0) return;
  const std::size_t parsed = http_parser_execute(&m_request, &m_requestSettings, data, size);
  if (parsed != size || HTTP_PARSER_ERRNO(&m_request) != HPE_OK || m_request.upgrade) m_lost = true;
}

std::size_t ResponseCutter::OnResponseBytes(const char* data, std::size_t size) {
  if (m_cut) return 0;
  if (m_lost || size == 0) return size;
  m_cutAt = nullptr;
  const std::size_t parsed = http_parser_execute(&m_response, &m_responseSettings, data, size);
  if (m_cut) return static_cast<std::size_t>(m_cutAt - data);
  if (parsed != size || HTTP_PARSER_ERRNO(&m_response) != HPE_OK || m_response.upgrade) m_lost = true;
  return size;
}

int ResponseCutter::OnRequestHeaders(http_parser* parser) {
  auto* self = static_cast<ResponseCutter*>(parser->data);
  self->m_headRequests.push_back(parser->method == HTTP_HEAD);
  return 0;
}

int ResponseCutter::OnResponseHeaders(http_parser* parser) {
  auto* self = static_cast<ResponseCutter*>(parser->data);
  self->m_bodyLeftBeforeCut.reset();
  // An interim answer (100 Continue) is not the request's answer.
  if (parser->status_code >= 100 && parser->status_code < 200) return kNoBody;
  bool head = false;
  if (!self->m_headRequests.empty()) {
    head = self->m_headRequests.front();
    self->m_headRequests.pop_front();
  }
  ++self->m_responses;
  if (head) return kNoBody;
  const bool known = (parser->flags & F_CONTENTLENGTH) && !(parser->flags & F_CHUNKED);
  if (known && parser->content_length > 0) {
    const std::optional<std::uint64_t> keep = self->m_choose(parser->content_length);
    if (keep && *keep < parser->content_length) {
      self->m_bodyLeftBeforeCut = *keep;
      self->m_cutLength = parser->content_length;
      self->m_cutAfter = *keep;
    }
  }
  return kHasBody;
}

int ResponseCutter::OnResponseBody(http_parser* parser, const char* at, std::size_t length) {
  auto* self = static_cast<ResponseCutter*>(parser->data);
  if (!self->m_bodyLeftBeforeCut) return 0;
  std::uint64_t& left = *self->m_bodyLeftBeforeCut;
  if (left < length) {
    self->m_cut = true;
    self->m_cutAt = at + left;
    return 1;  // stops the parser: nothing after the cut is looked at
  }
  left -= length;
  return 0;
}

}  // namespace linksim
