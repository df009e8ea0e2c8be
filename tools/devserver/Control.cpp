#include "Control.h"

#include "Json.h"
#include "Reply.h"
#include "Router.h"

#include <algorithm>

namespace devserver {

void Control::AddSection(const std::string& name, Section section) {
  m_sections.emplace_back(name, std::move(section));
}

Json::Value Control::State() const {
  Json::Value out(Json::objectValue);
  for (const auto& [name, section] : m_sections) out[name] = section.state();
  return out;
}

bool Control::Apply(const Json::Value& body, std::string& error) {
  if (!body.isObject()) {
    error = "the control body is a JSON object";
    return false;
  }
  for (const std::string& name : body.getMemberNames()) {
    const bool known = name == "reset" || std::any_of(m_sections.begin(), m_sections.end(),
                                                      [&](const auto& entry) { return entry.first == name; });
    if (!known) {
      error = "unknown control section " + name;
      return false;
    }
  }
  if (body.isMember("reset")) {
    if (!body["reset"].isBool()) {
      error = "\"reset\" is true or false";
      return false;
    }
    if (body["reset"].asBool()) {
      for (auto& [name, section] : m_sections) section.reset();
    }
  }
  // Sections apply in registration order; one that fails stops the rest and
  // the answer says which.
  for (auto& [name, section] : m_sections) {
    if (!body.isMember(name)) continue;
    if (!section.apply(body[name], error)) {
      error = name + ": " + error;
      return false;
    }
  }
  return true;
}

void Control::Register(Router& router) {
  const RouteOptions plain{false, false};
  router.Get(
      "/__control",
      [this](const httplib::Request&, httplib::Response& res, Exchange&) {
        ReplyText(res, 200, WriteJsonLine(State()) + "\n", "application/json");
      },
      plain);
  router.Post(
      "/__control",
      [this](const httplib::Request& req, httplib::Response& res, Exchange&) {
        std::string error;
        const std::optional<Json::Value> body = ParseJson(req.body, error);
        if (body && Apply(*body, error)) {
          ReplyText(res, 200, WriteJsonLine(State()) + "\n", "application/json");
          return;
        }
        Json::Value answer(Json::objectValue);
        answer["error"] = error;
        answer["state"] = State();
        ReplyText(res, 400, WriteJsonLine(answer) + "\n", "application/json");
      },
      plain);
}

}  // namespace devserver
