#include "BannerService.h"

#include "BannerSettings.h"

#include "BodyStream.h"
#include "CollectorShape.h"
#include "FileDigest.h"
#include "FilePath.h"
#include "Json.h"
#include "Lifetime.h"
#include "Placeholders.h"
#include "Reply.h"
#include "RequestNote.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>
#include <mutex>
#include <vector>

namespace devserver::BannerService {
namespace {

// Appended to the signed text by the client and the real service alike.
constexpr std::string_view kSalt = "Xv29pLmQe7RtcB4k";

constexpr std::size_t kMaxLangCode = 16;

constexpr const char* kPictures = "/banners/";
// Fault pictures have routes of their own, so a file in the served folder can
// never turn a broken entry into a good one.
constexpr const char* kMissingPictures = "/banner-faults/missing/";
constexpr const char* kNotImagePictures = "/banner-faults/not-image/";
// What a captive portal or a broken CDN sends in place of a picture.
constexpr const char* kNotImageBody = "<html><body>not a picture</body></html>\n";


bool IsLangCode(const std::string& code) {
  return !code.empty() && code.size() <= kMaxLangCode &&
         std::all_of(code.begin(), code.end(), [](unsigned char c) { return std::isalnum(c) || c == '-'; });
}

// The status object of the answer: 0 when the query is well-formed and signed.
int CheckQuery(const Query& query, ShapeProblems& problems) {
  const std::string lang = Param(query, "lang_code").value_or("");
  const std::string pid = Param(query, "parent_pid").value_or("");
  const std::string timestamp = Param(query, "timestamp").value_or("");
  std::int32_t pidValue = 0;
  std::int64_t timestampValue = 0;
  if (!IsLangCode(lang)) problems.Add("lang_code");
  if (!ParseDecimal(pid, pidValue)) problems.Add("parent_pid");
  if (!ParseDecimal(timestamp, timestampValue)) problems.Add("timestamp");
  if (Param(query, "type") != "1") problems.Add("type");
  if (!problems.empty()) return 400;
  // Signed as received, so a value with leading zeros is signed with them.
  const std::string signedText =
      "lang_code=" + lang + "&parent_pid=" + pid + "&timestamp=" + timestamp + "&type=1" + std::string(kSalt);
  if (Param(query, "verify") != TextMd5(signedText)) {
    problems.Add("verify");
    return 401;
  }
  return 0;
}

void ReplyJson(httplib::Response& res, const Exchange& ex, std::string body) {
  ReplyText(res, 200, std::move(body), "application/json; charset=utf-8", ex.style);
}

void ReplyStatus(httplib::Response& res, const Exchange& ex, std::int64_t code, const std::string& msg) {
  Json::Value status(Json::objectValue);
  status["code"] = Json::Int64(code);
  status["msg"] = msg;
  ReplyJson(res, ex, WriteJsonLine(status));
}

std::string PictureUrl(const Settings& settings, std::size_t index, const Exchange& ex) {
  const std::string& base = ex.scheme == "https" ? ex.server.httpsBase : ex.server.httpBase;
  const char* folder = kPictures;
  if (static_cast<std::int64_t>(index + 1) == settings.brokenEntry) {
    if (settings.mode == "missing_picture") folder = kMissingPictures;
    if (settings.mode == "not_image") folder = kNotImagePictures;
  }
  return base + folder + settings.entries[index].picture;
}

std::optional<std::string> ListBody(const Settings& settings, const Exchange& ex, const std::filesystem::path& root,
                                    std::string& error) {
  Json::Value list(Json::arrayValue);
  for (std::size_t i = 0; i < settings.entries.size(); ++i) {
    const Entry& entry = settings.entries[i];
    const std::optional<std::string> jumpUrl = ExpandPlaceholders(entry.jumpUrl, ex.server, root, error);
    if (!jumpUrl) return std::nullopt;
    Json::Value item(Json::objectValue);
    item["banner_url"] = PictureUrl(settings, i, ex);
    item["jump_url"] = *jumpUrl;
    item["prompt"] = entry.prompt;
    item["sort"] = Json::Int64(entry.sort);
    list.append(item);
  }
  return WriteJsonLine(list);
}

std::string PictureType(const std::filesystem::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (extension == ".png") return "image/png";
  if (extension == ".jpg" || extension == ".jpeg") return "image/jpeg";
  if (extension == ".gif") return "image/gif";
  if (extension == ".svg") return "image/svg+xml";
  return "application/octet-stream";
}

// Whole files only (the client never asks for a range); body faults apply, so
// a test can make a picture download fail and be retried.
void ServePicture(const std::filesystem::path& root, const httplib::Request& req, httplib::Response& res,
                  Exchange& ex) {
  std::filesystem::path file;
  switch (ResolveUnderRoot(root, "banners/" + ex.rest, file)) {
    case PathResult::Forbidden:
      return ReplyText(res, 403, "forbidden\n", "text/plain", ex.style);
    case PathResult::NotFound:
      return ReplyText(res, 404, "no such picture\n", "text/plain", ex.style);
    case PathResult::Ok:
      break;
  }
  std::error_code ec;
  const std::uint64_t size = std::filesystem::file_size(file, ec);
  if (ec) return ReplyText(res, 404, "no such picture\n", "text/plain", ex.style);
  const std::string type = PictureType(file);
  BodyPlan plan;
  plan.file = file;
  plan.fileSize = size;
  plan.length = size;
  plan.faults = ex.faults;
  plan.connection = ConnectionId{req.local_addr, req.local_port, req.remote_addr, req.remote_port};
  res.status = 200;
  if (!ex.head) res.set_content_provider(type, MakeBodyProvider(std::move(plan)));
  SetBodyHeaders(res, ex.style, type, size);
}

class Service {
 public:
  explicit Service(const ServiceContext& context) : m_root(context.root) {}

  bool Configure(const Json::Value& section, std::string& error) {
    Settings settings;
    if (!section.isNull() && !Merge(section, settings, error)) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_base = m_current = settings;
    return true;
  }

  Control::Section ControlSection() {
    return Control::Section{[this](const Json::Value& section, std::string& error) {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              return Merge(section, m_current, error);
                            },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              return State(m_current);
                            },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              m_current = m_base;
                            }};
  }

  void Answer(httplib::Response& res, const Exchange& ex) {
    ShapeProblems problems;
    const int refusal = CheckQuery(ex.query, problems);
    problems.Flag();
    if (refusal == 400) return ReplyStatus(res, ex, 400, "bad request");
    if (refusal == 401) return ReplyStatus(res, ex, 401, "verify failed");
    const Settings settings = Snapshot();
    if (settings.mode != "list") CurrentNote().AddFault("banners_mode", settings.mode);
    if (settings.mode == "empty") return ReplyJson(res, ex, "[]");
    if (settings.mode == "status") return ReplyStatus(res, ex, settings.statusCode, settings.statusMsg);
    if (settings.mode == "slow" && !SleepUnlessStopping(std::chrono::seconds(settings.slowSeconds))) {
      return ReplyText(res, 503, "shutting down\n", "text/plain", ex.style);
    }
    std::string error;
    std::optional<std::string> body = ListBody(settings, ex, m_root, error);
    if (!body) return ReplyText(res, 500, "devserver configuration: " + error + "\n", "text/plain", ex.style);
    // Any proper prefix of an array is not JSON: the closing bracket is missing.
    if (settings.mode == "invalid_json") body->resize(std::max<std::size_t>(1, body->size() / 2));
    ReplyJson(res, ex, std::move(*body));
  }

 private:
  Settings Snapshot() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_current;
  }

  const std::filesystem::path m_root;
  std::mutex m_mutex;
  Settings m_base;
  Settings m_current;
};

}  // namespace

bool Register(ServiceContext& context, std::string& error) {
  auto service = std::make_shared<Service>(context);
  if (!service->Configure(context.config["banners"], error)) {
    error = "\"banners\": " + error;
    return false;
  }
  context.control.AddSection("banners", service->ControlSection());
  context.router.Get("/api/v1/banners", [service](const httplib::Request&, httplib::Response& res, Exchange& ex) {
    service->Answer(res, ex);
  });
  const std::filesystem::path root = context.root;
  context.router.Get("/banners/*", [root](const httplib::Request& req, httplib::Response& res, Exchange& ex) {
    ServePicture(root, req, res, ex);
  });
  context.router.Get("/banner-faults/missing/*", [](const httplib::Request&, httplib::Response& res, Exchange& ex) {
    ReplyText(res, 404, "no such picture\n", "text/plain", ex.style);
  });
  context.router.Get("/banner-faults/not-image/*", [](const httplib::Request&, httplib::Response& res, Exchange& ex) {
    ReplyText(res, 200, kNotImageBody, "image/png", ex.style);
  });
  return true;
}

}  // namespace devserver::BannerService
