#include "UserCheck.h"

#include "CollectorShape.h"
#include "Json.h"
#include "Placeholders.h"
#include "Reply.h"

#include <cctype>
#include <memory>
#include <mutex>

namespace devserver::UserCheck {
namespace {

constexpr std::size_t kMaxText = 64 * 1024;

struct Settings {
  std::string softwarelog = "{base}\r\n";
  std::string queryUser = "1001";
};

bool IsGuidText(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash != (text[i] == '-')) return false;
    if (!dash && !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  }
  return true;
}

bool Merge(const Json::Value& section, Settings& settings, std::string& error) {
  if (!section.isObject()) {
    error = "\"user_check\" must be an object";
    return false;
  }
  Settings next = settings;
  for (const std::string& key : section.getMemberNames()) {
    const std::optional<std::string> text = ScalarText(section[key]);
    if (!text || text->size() > kMaxText) {
      error = key + " must be a string of at most 64 KiB";
      return false;
    }
    if (key == "softwarelog") {
      next.softwarelog = *text;
    } else if (key == "query_user") {
      next.queryUser = *text;
    } else {
      error = "unknown user_check setting " + key;
      return false;
    }
  }
  settings = next;
  return true;
}

class Service {
 public:
  explicit Service(const ServiceContext& context) : m_server(context.server), m_root(context.root) {}

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
                              Json::Value out(Json::objectValue);
                              out["softwarelog"] = m_current.softwarelog;
                              out["query_user"] = m_current.queryUser;
                              return out;
                            },
                            [this] {
                              std::lock_guard<std::mutex> lock(m_mutex);
                              m_current = m_base;
                            }};
  }

  void Answer(httplib::Response& res, const Exchange& ex, std::string Settings::*text) {
    std::string configured;
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      configured = m_current.*text;
    }
    std::string error;
    const std::optional<std::string> body = ExpandPlaceholders(configured, m_server, m_root, error);
    if (!body) return ReplyText(res, 500, "devserver configuration: " + error + "\n", "text/plain", ex.style);
    ReplyText(res, 200, *body, "text/plain; charset=utf-8", ex.style);
  }

  void AnswerQueryUser(httplib::Response& res, const Exchange& ex) {
    if (!IsGuidText(Param(ex.query, "guid").value_or(""))) {
      ShapeProblems problems;
      problems.Add("guid");
      problems.Flag();
      return ReplyText(res, 400, "missing or bad guid\n", "text/plain", ex.style);
    }
    Answer(res, ex, &Settings::queryUser);
  }

 private:
  const ServerInfo& m_server;
  const std::filesystem::path m_root;
  std::mutex m_mutex;
  Settings m_base;
  Settings m_current;
};

}  // namespace

bool Register(ServiceContext& context, std::string& error) {
  auto service = std::make_shared<Service>(context);
  if (!service->Configure(context.config["user_check"], error)) {
    error = "\"user_check\": " + error;
    return false;
  }
  context.control.AddSection("user_check", service->ControlSection());
  context.router.Get("/downloads/service/softwarelog.txt",
                     [service](const httplib::Request&, httplib::Response& res, Exchange& ex) {
                       service->Answer(res, ex, &Settings::softwarelog);
                     });
  context.router.Get("/QueryUser", [service](const httplib::Request&, httplib::Response& res, Exchange& ex) {
    service->AnswerQueryUser(res, ex);
  });
  return true;
}

}  // namespace devserver::UserCheck
