#include "Recorder.h"

#include "Json.h"
#include "UrlQuery.h"

#include <cstdio>

namespace devserver {
namespace {

constexpr std::size_t kMaxRecordedBody = 16 * 1024;

// Headers the HTTP library adds to each request itself.
bool IsLibraryHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT";
}

bool IsSmallText(const std::string& data) {
  return data.size() <= kMaxRecordedBody && data.find('\0') == std::string::npos && IsValidUtf8(data);
}

// Repeated names become arrays, single ones plain strings.
template <typename Map>
Json::Value NameValues(const Map& entries, bool (*skip)(const std::string&)) {
  Json::Value out(Json::objectValue);
  for (const auto& [name, value] : entries) {
    if (skip != nullptr && skip(name)) continue;
    const std::string key = ValidUtf8(name);
    const Json::Value text(ValidUtf8(value));
    if (!out.isMember(key)) {
      out[key] = text;
    } else {
      if (!out[key].isArray()) {
        Json::Value first = out[key];
        out[key] = Json::Value(Json::arrayValue);
        out[key].append(first);
      }
      out[key].append(text);
    }
  }
  return out;
}

Json::Value Files(const httplib::MultipartFormDataMap& files) {
  Json::Value out(Json::arrayValue);
  for (const auto& [key, part] : files) {
    Json::Value item(Json::objectValue);
    item["name"] = ValidUtf8(part.name);
    item["filename"] = ValidUtf8(part.filename);
    item["content_type"] = ValidUtf8(part.content_type);
    item["size"] = static_cast<Json::UInt64>(part.content.size());
    if (IsSmallText(part.content)) item["content"] = part.content;
    out.append(item);
  }
  return out;
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ",") + item;
  return out;
}

}  // namespace

std::string FormatUtc(std::chrono::system_clock::time_point when) {
  using namespace std::chrono;
  const auto ms = time_point_cast<milliseconds>(when);
  const auto day = floor<days>(ms);
  const year_month_day date{day};
  const hh_mm_ss<milliseconds> time{ms - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
  return text;
}

bool Recorder::Open(const std::string& path, std::string& error) {
  m_out.open(path, std::ios::binary | std::ios::trunc);
  if (!m_out) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

void Recorder::Record(const httplib::Request& req, const httplib::Response& res, const std::string& scheme,
                      const RequestNote& note) {
  const auto now = std::chrono::system_clock::now();
  const auto received = note.received == std::chrono::system_clock::time_point{} ? now : note.received;
  Json::Value line(Json::objectValue);
  line["time"] = FormatUtc(received);
  line["epoch_ms"] = static_cast<Json::Int64>(
      std::chrono::duration_cast<std::chrono::milliseconds>(received.time_since_epoch()).count());
  line["duration_ms"] = static_cast<Json::Int64>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now - received).count());
  line["scheme"] = scheme;
  line["remote"] = req.remote_addr + ":" + std::to_string(req.remote_port);
  line["method"] = ValidUtf8(req.method);
  line["path"] = ValidUtf8(req.path);
  line["target"] = ValidUtf8(req.target);
  line["query"] = NameValues(ParseQuery(req.target), nullptr);
  line["headers"] = NameValues(req.headers, IsLibraryHeader);
  line["body_size"] = static_cast<Json::UInt64>(req.body.size());
  if (!req.body.empty() && IsSmallText(req.body)) line["body"] = req.body;
  if (!req.files.empty()) line["files"] = Files(req.files);
  line["status"] = res.status;
  line["fault"] = Join(note.faults);
  line["sent"] = static_cast<Json::UInt64>(note.bodySent);

  const std::string text = WriteJsonLine(line);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (!m_out.is_open()) return;
  m_out << text << '\n';
  m_out.flush();
}

}  // namespace devserver
