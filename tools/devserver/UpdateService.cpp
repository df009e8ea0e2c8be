#include "UpdateService.h"

#include "Json.h"
#include "Lifetime.h"
#include "Placeholders.h"
#include "Reply.h"
#include "RequestNote.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <memory>
#include <mutex>

namespace devserver::UpdateService {
namespace {

// The elements of a <Downloader> block, in the order the service writes them.
const char* const kFieldOrder[] = {
    "Downloader_id",   "Software_id",      "Site_id",           "Software_name", "Software_version",
    "Process_name",    "Download_url",     "Extra_download_url", "Md5",          "Md5_extra",
    "Filesize",        "Install_url",      "Banner_url",        "Licensefile_url", "Cnet_download_url",
    "Downloader_type", "Downloader_config", "InstallTimeout"};

const char* const kModes[] = {"normal", "no_block", "no_end_tag", "slow", "500"};
constexpr int kMaxSlowSeconds = 3600;

struct Settings {
  std::string mode = "normal";
  int slowSeconds = 10;
  std::map<std::string, std::string> fields;
};

bool IsElementName(const std::string& name) {
  return !name.empty() && name.size() <= 64 && (std::isalpha(static_cast<unsigned char>(name[0])) || name[0] == '_') &&
         std::all_of(name.begin(), name.end(), [](unsigned char c) {
           return std::isalnum(c) || c == '_' || c == '-' || c == '.';
         });
}

bool ValidMode(const std::string& mode) {
  return std::find(std::begin(kModes), std::end(kModes), mode) != std::end(kModes);
}

bool ParseSlowSeconds(const std::string& text, int& seconds) {
  int value = -1;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || value < 0 || value > kMaxSlowSeconds) return false;
  seconds = value;
  return true;
}

// {"mode": ..., "slow_seconds": N, "downloader": {name: value|null}} merged into `settings`.
bool Merge(const Json::Value& section, Settings& settings, std::string& error) {
  if (!section.isObject()) {
    error = "\"update\" must be an object";
    return false;
  }
  Settings next = settings;
  for (const std::string& key : section.getMemberNames()) {
    const Json::Value& value = section[key];
    if (key == "downloader") {
      if (!value.isObject()) {
        error = "\"downloader\" must be an object";
        return false;
      }
      for (const std::string& name : value.getMemberNames()) {
        if (!IsElementName(name)) {
          error = "not an element name: " + name;
          return false;
        }
        if (value[name].isNull()) {
          next.fields.erase(name);
          continue;
        }
        const std::optional<std::string> text = ScalarText(value[name]);
        if (!text) {
          error = name + " must be a string or a number";
          return false;
        }
        next.fields[name] = *text;
      }
    } else if (key == "mode") {
      const std::optional<std::string> mode = ScalarText(value);
      if (!mode || !ValidMode(*mode)) {
        error = "mode is one of normal, no_block, no_end_tag, slow, 500";
        return false;
      }
      next.mode = *mode;
    } else if (key == "slow_seconds") {
      const std::optional<std::string> text = ScalarText(value);
      if (!text || !ParseSlowSeconds(*text, next.slowSeconds)) {
        error = "slow_seconds is 0 to 3600";
        return false;
      }
    } else {
      error = "unknown update setting " + key;
      return false;
    }
  }
  settings = next;
  return true;
}

std::string XmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

// The <Downloader> element's children: the known fields in the service's
// order, then any others (alphabetically), so a test can add unknown elements.
std::optional<std::string> Elements(const Settings& settings, const ServiceContext& context, std::string& error) {
  std::vector<std::string> names;
  for (const char* name : kFieldOrder) {
    if (settings.fields.count(name) != 0) names.emplace_back(name);
  }
  for (const auto& [name, value] : settings.fields) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  }
  std::string out;
  for (const std::string& name : names) {
    const std::optional<std::string> value =
        ExpandPlaceholders(settings.fields.at(name), context.server, context.root, error);
    if (!value) return std::nullopt;
    out += "<" + name + ">" + XmlEscape(*value) + "</" + name + ">\r\n";
  }
  return out;
}

class Service {
 public:
  explicit Service(const ServiceContext& context) : m_context(context) {}

  bool Configure(const Json::Value& section, std::string& error) {
    Settings settings;
    if (!section.isNull() && !Merge(section, settings, error)) return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_base = m_current = settings;
    return true;
  }

  Control::Section ControlSection() {
    return Control::Section{
        [this](const Json::Value& section, std::string& error) {
          std::lock_guard<std::mutex> lock(m_mutex);
          return Merge(section, m_current, error);
        },
        [this] { return State(); },
        [this] {
          std::lock_guard<std::mutex> lock(m_mutex);
          m_current = m_base;
        }};
  }

  void Answer(httplib::Response& res, const Query& query) {
    Settings settings;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      settings = m_current;
    }
    for (const char* name : {"LanguageId", "SoftWareID", "SiteID"}) {
      int value = 0;
      const std::string text = Param(query, name).value_or("");
      const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
      if (ec != std::errc() || ptr != text.data() + text.size()) {
        return ReplyText(res, 400, std::string("missing or bad ") + name + "\n", "text/plain");
      }
    }
    // A test may pick the mode per request.
    if (const auto mode = Param(query, "mode")) {
      if (!ValidMode(*mode)) return ReplyText(res, 400, "bad mode\n", "text/plain");
      settings.mode = *mode;
    }
    if (const auto slow = Param(query, "slow_seconds"); slow && !ParseSlowSeconds(*slow, settings.slowSeconds)) {
      return ReplyText(res, 400, "bad slow_seconds\n", "text/plain");
    }
    if (settings.mode != "normal") CurrentNote().AddFault("update_mode", settings.mode);
    if (settings.mode == "500") {
      return ReplyText(res, 500, "<Error>internal error</Error>\r\n", "text/xml; charset=utf-8");
    }
    if (settings.mode == "slow" && !SleepUnlessStopping(std::chrono::seconds(settings.slowSeconds))) {
      return ReplyText(res, 503, "shutting down\n", "text/plain");
    }
    std::string error;
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<QueryDownloaderResponse>\r\n<Result>0</Result>\r\n";
    if (settings.mode == "no_block") {
      body += "<Message>no downloader for this query</Message>\r\n</QueryDownloaderResponse>\r\n";
    } else {
      const std::optional<std::string> elements = Elements(settings, m_context, error);
      if (!elements) return ReplyText(res, 500, "devserver configuration: " + error + "\n", "text/plain");
      body += "<Downloader>\r\n" + *elements;
      // no_end_tag: the answer stops before the block is closed.
      if (settings.mode != "no_end_tag") body += "</Downloader>\r\n</QueryDownloaderResponse>\r\n";
    }
    ReplyText(res, 200, std::move(body), "text/xml; charset=utf-8");
  }

 private:
  Json::Value State() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Json::Value out(Json::objectValue);
    out["mode"] = m_current.mode;
    out["slow_seconds"] = m_current.slowSeconds;
    out["downloader"] = Json::Value(Json::objectValue);
    for (const auto& [name, value] : m_current.fields) out["downloader"][name] = value;
    return out;
  }

  ServiceContext m_context;
  mutable std::mutex m_mutex;
  Settings m_base;
  Settings m_current;
};

}  // namespace

bool Register(ServiceContext& context, std::string& error) {
  auto service = std::make_shared<Service>(context);
  if (!service->Configure(context.config["update"], error)) {
    error = "\"update\": " + error;
    return false;
  }
  context.control.AddSection("update", service->ControlSection());
  context.router.Get("/queryDownloaderV2", [service](const httplib::Request&, httplib::Response& res, Exchange& ex) {
    service->Answer(res, ex.query);
  });
  return true;
}

}  // namespace devserver::UpdateService
