#include "LogUploadService.h"

#include "CollectorShape.h"
#include "Json.h"
#include "Lifetime.h"
#include "Reply.h"
#include "RequestNote.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>

namespace devserver::LogUploadService {
namespace {

const char* const kModes[] = {"normal", "500", "slow"};
const char* const kParts[] = {"file", "product_id", "version", "catalogue"};
constexpr int kMaxSlowSeconds = 3600;
constexpr std::size_t kMaxStoredName = 120;

struct Settings {
  std::string mode = "normal";
  int slowSeconds = 10;
  std::filesystem::path store;
};

bool ValidMode(const std::string& mode) {
  return std::find(std::begin(kModes), std::end(kModes), mode) != std::end(kModes);
}

bool Merge(const Json::Value& section, Settings& settings, std::string& error) {
  if (!section.isObject()) {
    error = "\"log_upload\" must be an object";
    return false;
  }
  Settings next = settings;
  for (const std::string& key : section.getMemberNames()) {
    const std::optional<std::string> text = ScalarText(section[key]);
    if (!text) {
      error = key + " must be a string or a number";
      return false;
    }
    if (key == "mode") {
      if (!ValidMode(*text)) {
        error = "mode is one of normal, 500, slow";
        return false;
      }
      next.mode = *text;
    } else if (key == "slow_seconds") {
      int value = -1;
      const auto [ptr, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
      if (ec != std::errc() || ptr != text->data() + text->size() || value < 0 || value > kMaxSlowSeconds) {
        error = "slow_seconds is 0 to 3600";
        return false;
      }
      next.slowSeconds = value;
    } else if (key == "store") {
      if (text->empty() || (*text)[0] != '/') {
        error = "store must be an absolute path";
        return false;
      }
      next.store = *text;
    } else {
      error = "unknown log_upload setting " + key;
      return false;
    }
  }
  settings = next;
  return true;
}

// The client's file name reduced to a safe name inside the store folder.
std::string StoredName(const std::string& filename, unsigned sequence) {
  std::string safe;
  for (const char c : filename.substr(filename.find_last_of("/\\") + 1)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    safe += plain ? c : '_';
  }
  safe.erase(0, safe.find_first_not_of('.'));
  if (safe.size() > kMaxStoredName) safe.resize(kMaxStoredName);
  if (safe.empty()) safe = "upload";
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%04u_", sequence % 10000);
  return prefix + safe;
}

ShapeProblems CheckForm(const httplib::Request& req) {
  ShapeProblems problems;
  if (!req.is_multipart_form_data()) problems.Add("content_type");
  for (const char* name : {"file", "product_id", "version"}) {
    if (req.files.count(name) != 1) problems.Add("missing." + std::string(name));
  }
  if (req.files.count("catalogue") > 1) problems.Add("catalogue");
  for (const auto& [name, part] : req.files) {
    if (std::find(std::begin(kParts), std::end(kParts), name) == std::end(kParts)) problems.Add("extra." + name);
  }
  if (req.has_file("file") && req.get_file_value("file").filename.empty()) problems.Add("file.filename");
  return problems;
}

class Service {
 public:
  bool Configure(const Json::Value& section, const std::filesystem::path& root, std::string& error) {
    Settings settings;
    settings.store = root / "uploads";
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
                            [this] { return State(); },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              m_current = m_base;
                            }};
  }

  void Answer(const httplib::Request& req, httplib::Response& res, const Exchange& ex) {
    Settings settings;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      settings = m_current;
    }
    CheckForm(req).Flag();
    if (settings.mode != "normal") CurrentNote().AddFault("log_upload_mode", settings.mode);
    if (settings.mode == "500") return ReplyText(res, 500, "{\"code\":500,\"msg\":\"internal error\"}", "application/json", ex.style);
    if (settings.mode == "slow" && !SleepUnlessStopping(std::chrono::seconds(settings.slowSeconds))) {
      return ReplyText(res, 503, "shutting down\n", "text/plain", ex.style);
    }
    if (!req.has_file("file")) return ReplyText(res, 400, "{\"code\":400,\"msg\":\"no file\"}", "application/json", ex.style);
    const httplib::MultipartFormData& file = req.get_file_value("file");
    std::error_code ec;
    std::filesystem::create_directories(settings.store, ec);
    const std::filesystem::path target = settings.store / StoredName(file.filename, m_sequence++);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(file.content.data(), static_cast<std::streamsize>(file.content.size()));
    out.close();
    if (!out) return ReplyText(res, 500, "{\"code\":500,\"msg\":\"cannot store\"}", "application/json", ex.style);
    ReplyText(res, 200, "{\"code\":0,\"msg\":\"success\"}", "application/json", ex.style);
  }

 private:
  Json::Value State() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Json::Value out(Json::objectValue);
    out["mode"] = m_current.mode;
    out["slow_seconds"] = m_current.slowSeconds;
    out["store"] = m_current.store.string();
    return out;
  }

  mutable std::mutex m_mutex;
  Settings m_base;
  Settings m_current;
  std::atomic<unsigned> m_sequence{1};
};

}  // namespace

bool Register(ServiceContext& context, std::string& error) {
  auto service = std::make_shared<Service>();
  if (!service->Configure(context.config["log_upload"], context.root, error)) {
    error = "\"log_upload\": " + error;
    return false;
  }
  context.control.AddSection("log_upload", service->ControlSection());
  context.router.Post("/v1/productLogUpload",
                      [service](const httplib::Request& req, httplib::Response& res, Exchange& ex) {
                        service->Answer(req, res, ex);
                      });
  return true;
}

}  // namespace devserver::LogUploadService
