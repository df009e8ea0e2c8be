#include "FileHosting.h"

#include "BodyStream.h"
#include "ByteRange.h"
#include "FilePath.h"
#include "Reply.h"
#include "RequestNote.h"

#include <algorithm>

namespace devserver::FileHosting {
namespace {

constexpr const char* kContentType = "application/octet-stream";

std::uint64_t Adjusted(std::uint64_t size, const std::optional<std::int64_t>& delta) {
  if (!delta) return size;
  if (*delta < 0) return size - std::min<std::uint64_t>(size, static_cast<std::uint64_t>(-*delta));
  return size + static_cast<std::uint64_t>(*delta);
}

// The total that Content-Range announces; wrong_total makes it lie.
std::string Total(std::uint64_t served, const FaultPlan& faults) {
  if (!faults.wrongTotal) return std::to_string(served);
  CurrentNote().AddFault("wrong_total", std::to_string(*faults.wrongTotal));
  return std::to_string(Adjusted(served, faults.wrongTotal));
}

ResolvedRange ChooseRange(const httplib::Request& req, const Exchange& ex, std::uint64_t served) {
  // Range handling is defined for GET only; HEAD answers as an unranged GET would.
  if (ex.head || !req.has_header("Range")) return {};
  if (ex.faults.ignoreRange) {
    CurrentNote().AddFault("ignore_range", "1");
    return {};
  }
  return ResolveRange(req.get_header_value("Range"), served);
}

void Serve(const std::filesystem::path& root, const httplib::Request& req, httplib::Response& res, Exchange& ex) {
  std::filesystem::path file;
  switch (ResolveUnderRoot(root, ex.rest, file)) {
    case PathResult::Forbidden:
      return ReplyText(res, 403, "forbidden\n", "text/plain");
    case PathResult::NotFound:
      return ReplyText(res, 404, "no such file\n", "text/plain");
    case PathResult::Ok:
      break;
  }
  std::error_code ec;
  const std::uint64_t fileSize = std::filesystem::file_size(file, ec);
  if (ec) return ReplyText(res, 404, "no such file\n", "text/plain");
  const std::uint64_t served = Adjusted(fileSize, ex.faults.sizeChange);
  if (ex.faults.sizeChange) CurrentNote().AddFault("size_change", std::to_string(*ex.faults.sizeChange));

  AddCdnHeaders(res, ex.style);
  SetHeader(res, ex.style, "Accept-Ranges", "bytes");
  const ResolvedRange range = ChooseRange(req, ex, served);
  if (range.kind == RangeKind::Unsatisfiable) {
    SetHeader(res, ex.style, "Content-Range", "bytes */" + Total(served, ex.faults));
    return ReplyText(res, 416, "range not satisfiable\n", "text/plain", ex.style);
  }

  BodyPlan plan;
  plan.file = file;
  plan.fileSize = fileSize;
  plan.faults = ex.faults;
  plan.connection = ConnectionId{req.local_addr, req.local_port, req.remote_addr, req.remote_port};
  if (range.kind == RangeKind::Single) {
    res.status = 206;
    plan.first = range.first;
    plan.length = range.last - range.first + 1;
    SetHeader(res, ex.style, "Content-Range",
              "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" +
                  Total(served, ex.faults));
  } else {
    res.status = 200;
    plan.length = served;
  }
  const std::uint64_t length = plan.length;
  if (!ex.head) res.set_content_provider(kContentType, MakeBodyProvider(std::move(plan)));
  SetBodyHeaders(res, ex.style, kContentType, length);
}

}  // namespace

bool Register(ServiceContext& context, std::string&) {
  const std::filesystem::path root = context.root;
  context.router.Get("/files/*", [root](const httplib::Request& req, httplib::Response& res, Exchange& ex) {
    Serve(root, req, res, ex);
  });
  return true;
}

}  // namespace devserver::FileHosting
