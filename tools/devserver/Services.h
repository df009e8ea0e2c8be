// What a service family gets when main registers it. Each family lives in its
// own file with one Register function; adding a service is a new file and one
// line in main.cpp.
#pragma once

#include "Control.h"
#include "Router.h"

#include <json/json.h>

#include <filesystem>

namespace devserver {

struct ServiceContext {
  Router& router;
  Control& control;             // runtime settings sections of /__control
  const Json::Value& config;    // the whole configuration file; each family reads its own section
  const ServerInfo& server;     // base URLs, valid once requests arrive
  std::filesystem::path root;   // canonical served folder
};

}  // namespace devserver
