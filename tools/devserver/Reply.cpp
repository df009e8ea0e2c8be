#include "Reply.h"

#include "RequestNote.h"

#include <memory>

namespace devserver {

void SetBodyHeaders(httplib::Response& res, const HeaderStyle& style, const std::string& contentType,
                    std::uint64_t contentLength) {
  SetHeader(res, style, "Content-Type", contentType);
  SetHeader(res, style, "Content-Length", std::to_string(contentLength));
  CurrentNote().contentType = contentType;
  CurrentNote().lowercaseHeaders = style.lowercase;
}

void ReplyText(httplib::Response& res, int status, std::string body, const std::string& contentType,
               const HeaderStyle& style) {
  res.status = status;
  auto text = std::make_shared<const std::string>(std::move(body));
  res.set_content_provider(contentType, [text](std::size_t offset, httplib::DataSink& sink) {
    if (offset < text->size()) {
      if (!sink.write(text->data() + offset, text->size() - offset)) return false;
      CurrentNote().bodySent += text->size() - offset;
    }
    sink.done();
    return true;
  });
  SetBodyHeaders(res, style, contentType, text->size());
}

void ReplyEmpty(httplib::Response& res, int status, const HeaderStyle& style) {
  res.status = status;
  SetHeader(res, style, "Content-Length", "0");
}

}  // namespace devserver
