// /__control: changes the server's behaviour while it runs, for a client
// (the program under test) that cannot add query parameters. Each service
// family adds its own section; a POST body names the sections to change:
//   {"reset": true, "faults": {...}, "switches": {...}, "update": {...}}
// GET returns the current state of every section.
#pragma once

#include <json/json.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace devserver {

class Router;

class Control {
 public:
  struct Section {
    std::function<bool(const Json::Value&, std::string&)> apply;  // all or nothing
    std::function<Json::Value()> state;
    std::function<void()> reset;  // back to the configuration file
  };

  // Sections are added at start-up, before the first request.
  void AddSection(const std::string& name, Section section);
  void Register(Router& router);

 private:
  Json::Value State() const;
  bool Apply(const Json::Value& body, std::string& error);

  std::vector<std::pair<std::string, Section>> m_sections;
};

}  // namespace devserver
