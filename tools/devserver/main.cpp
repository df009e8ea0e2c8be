// cw_devserver: the local service stack. Plays every outside service of the
// program on loopback, records each request as a JSON line, injects faults on
// demand. See README.md.
#include "AnalyticsCollectors.h"
#include "BannerService.h"
#include "Control.h"
#include "ExceptionService.h"
#include "FileHosting.h"
#include "Json.h"
#include "Lifetime.h"
#include "LogUploadService.h"
#include "Listeners.h"
#include "Options.h"
#include "Recorder.h"
#include "Redirects.h"
#include "Router.h"
#include "Services.h"
#include "StopSignal.h"
#include "UpdateService.h"
#include "UserCheck.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>

namespace {

using namespace devserver;

// The service families. A new family is a new file with a Register function
// and one line here.
struct Family {
  const char* name;
  bool (*registerFamily)(ServiceContext&, std::string&);
};
const Family kFamilies[] = {
    {"update service", UpdateService::Register},
    {"file hosting", FileHosting::Register},
    {"redirects", Redirects::Register},
    {"analytics collectors", AnalyticsCollectors::Register},
    {"user check", UserCheck::Register},
    {"exception service", ExceptionService::Register},
    {"log upload", LogUploadService::Register},
    {"banner service", BannerService::Register},
};

int Fail(const std::string& message) {
  std::cerr << "cw_devserver: " << message << "\n";
  return 1;
}

std::optional<Json::Value> LoadConfig(const std::string& path, std::string& error) {
  if (path.empty()) return Json::Value(Json::objectValue);
  std::optional<Json::Value> config = LoadJsonFile(path, error);
  if (config && !config->isObject()) {
    error = path + ": the configuration is a JSON object";
    return std::nullopt;
  }
  return config;
}

}  // namespace

int main(int argc, char** argv) {
  if (!PrepareStopSignals()) return Fail("cannot set up signal handling");
  std::string error;
  const std::optional<Options> options = ParseOptions(argc, argv, error);
  if (!options) return Fail(error + "\n" + Usage());
  if (options->help) {
    std::cout << Usage();
    return 0;
  }
  std::error_code ec;
  const std::filesystem::path root = std::filesystem::canonical(options->root, ec);
  if (ec || !std::filesystem::is_directory(root, ec)) return Fail("--root is not a folder: " + options->root);
  const std::optional<Json::Value> config = LoadConfig(options->config, error);
  if (!config) return Fail(error);

  Recorder recorder;
  if (!options->record.empty() && !recorder.Open(options->record, error)) return Fail(error);

  FaultQueue faults;
  HeaderStyleSettings styles;
  if (!styles.Configure((*config)["switches"], error)) return Fail("\"switches\": " + error);
  ServerInfo info;
  Router router(faults, styles, info, options->record.empty() ? nullptr : &recorder);
  Control control;
  control.AddSection("faults", Control::Section{[&](const Json::Value& v, std::string& e) { return faults.Apply(v, e); },
                                                [&] { return faults.State(); }, [&] { faults.Clear(); }});
  control.AddSection("switches", Control::Section{[&](const Json::Value& v, std::string& e) { return styles.Apply(v, e); },
                                                  [&] { return styles.State(); }, [&] { styles.Reset(); }});
  ServiceContext context{router, control, *config, info, root};
  for (const Family& family : kFamilies) {
    if (!family.registerFamily(context, error)) return Fail(std::string(family.name) + ": " + error);
  }
  control.Register(router);

  Listeners listeners;
  if (!listeners.Bind(*options, router, info, error)) return Fail(error);
  listeners.Start();
  std::printf("devserver http=%d https=%d\n", listeners.httpPort(), listeners.httpsPort());
  std::fflush(stdout);

  const int sig = WaitForStopSignal();
  std::cerr << "cw_devserver: signal " << sig << ", stopping\n";
  RequestStop();
  listeners.Stop();
  return 0;
}
