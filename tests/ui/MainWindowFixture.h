// The main window in the headless host with the shipped skin, a recording
// event log and the install flow's steps replaced, for the suites that press
// it: what the window asked of the outside world is counted here.
#pragma once

#include "resources/SkinArchive.h"
#include "telemetry/TelemetryTestSupport.h"

#include "toolkit/HeadlessHost.h"
#include "ui/InstallUIMainWnd.h"
#include "ui/WindowTestSupport.h"

#include <algorithm>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

class MainWindow : public SkinArchive {
 protected:
  void SetUp() override {
    transport = std::make_shared<teletest::FakeTransport>();
    log = teletest::MakeLog(transport);
  }

  ui::InstallUIMainWnd::Environment Env() {
    ui::InstallUIMainWnd::Environment env;
    env.archive = [this](const std::string& path) -> std::optional<std::string> {
      auto text = s_archive.Read(path);
      if (text && path == "configure\\configure.xml") {
        for (const auto& [name, value] : labels) {
          *text = std::regex_replace(*text, std::regex("(name=\"" + name + "\" text=\")[^\"]*"), "$01" + value);  // two digits: a value may start with one
        }
      }
      return text;
    };
    env.userLog = log.get();
    env.systemLanguage = systemLanguage;
    env.programFilesFolder = "/apps";
    env.makeHost = [this](cwui::Window& w, cwui::MessageLoop& l) {
      auto host = std::make_unique<cwui::HeadlessHost>(w, l);
      hosts.push_back(host.get());
      return host;
    };
    // The configuration as the update service sends it, when a test gives one.
    env.prefetch = [this](IInstallWindow& w) {
      if (prefetchXml.empty()) return;
      w.configure().setFetcher([xml = prefetchXml](const std::string&, std::string& body) {
        body = xml;
        return 0;
      });
      w.configure().getDownloadInfoXml(true, false);
      w.configure().parseDownloadInfo();
    };
    env.moduleFileName = "/downloads/QuorlaMurmelon_test.exe";
    env.preInstallChecks = [this](IInstallWindow& w) {
      ++checksRun;
      if (checksPass) w.showRunningPage();
      return checksPass ? 0 : -1;
    };
    env.installThread = [this](IInstallWindow& w) {
      if (installThread) installThread(w);
      return 0u;
    };
    env.chooseFolder = [this] { return chosenFolder; };
    if (!realBanners) env.bannerThread = [](ui::InstallUIMainWnd&) { return 0u; };
    env.startProduct = [this](const std::string& target, int mode) {
      starts.push_back({target, mode});
      return startResult;
    };
    env.needsNewerNetFramework = [this](const std::string&) { return needsNewerNet; };
    env.plainMessage = [this](const std::string& text) { plainMessages.push_back(text); };
    env.showInFileManager = [this](const std::string& path) {
      shownFiles.push_back(path);
      return 0;
    };
    env.openUrl = [this](const std::string& url) {
      openedUrls.push_back(url);
      return 0;
    };
    env.startLogUpload = [this](const std::string& parameters) { uploads.push_back(parameters); };
    return env;
  }

  std::unique_ptr<ui::InstallUIMainWnd> Create() {
    auto window = std::make_unique<ui::InstallUIMainWnd>(loop, Env());
    EXPECT_TRUE(window->create());
    return window;
  }

  // Presses a control of a window as a pointer would.
  static void Press(cwui::Window& window, const char* name) { uitest::Press(window, name); }
  // Answers the next message box with one of its buttons once it shows.
  void AnswerBox(const char* button) {
    const std::size_t before = hosts.size();
    loop.setTimer(this, 1, 5, [this, before, button] {
      if (hosts.size() <= before) return;
      loop.killTimer(this, 1);
      Press(hosts.back()->window(), button);
    });
  }
  // Runs the loop until `done` or the time is up.
  bool RunUntil(const std::function<bool()>& done, int limitMs = 5000) {
    int waited = 0;
    loop.setTimer(this, 2, 5, [&] {
      if (done() || (waited += 5) > limitMs) loop.quit(0);
    });
    if (!done()) loop.run();
    loop.killTimer(this, 2);
    return done();
  }
  std::vector<std::string> Actions() const {
    std::vector<std::string> actions;
    for (const std::string& view : transport->PageViews()) {
      const std::size_t at = view.find("&ep.cw_action=");
      if (at == std::string::npos) continue;
      const std::size_t end = view.find('&', at + 1);
      actions.push_back(view.substr(at + 14, end - at - 14));
    }
    return actions;
  }
  int Count(const std::string& action) const {
    const auto actions = Actions();
    return static_cast<int>(std::count(actions.begin(), actions.end(), action));
  }
  std::string CloseLabel() {
    log->WaitThreadForExit();
    for (const std::string& view : transport->PageViews()) {
      if (view.find("&ep.cw_action=Close&") == std::string::npos) continue;
      const std::size_t at = view.find("&ep.cw_label=");
      return view.substr(at + 13, view.find('&', at + 1) - at - 13);
    }
    return "";
  }

  teletest::ScopedSettings settings;
  teletest::ScopedUserFolders folders;
  std::shared_ptr<teletest::FakeTransport> transport;
  std::unique_ptr<CSingleUserLog> log;
  cwui::MessageLoop loop;
  std::vector<cwui::HeadlessHost*> hosts;
  EnumLanguage systemLanguage = English;
  bool checksPass = true;
  int checksRun = 0;
  std::string prefetchXml;
  bool realBanners = false;  // the banner service's thread instead of none
  // Labels of the product configuration replaced in the archive.
  std::map<std::string, std::string> labels;
  // Leaving the installer.
  int startResult = 0;
  bool needsNewerNet = false;
  std::vector<std::pair<std::string, int>> starts;
  std::vector<std::string> plainMessages, shownFiles, openedUrls;
  std::optional<std::string> chosenFolder;
  std::function<void(IInstallWindow&)> installThread;
  std::vector<std::string> uploads;
};
