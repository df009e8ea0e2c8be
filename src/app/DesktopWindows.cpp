#include "DesktopWindows.h"

#include "ConsoleMessages.h"
#include "LocalSettings.h"
#include "SingleUserLog.h"
#include "SystemInfo.h"
#include "platform/drives.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/process_spawn.h"
#include "toolkit/FontMap.h"
#include "toolkit/GtkHost.h"
#include "toolkit/ResourceArchive.h"
#include "ui/InstallUIMainWnd.h"
#include "ui/MessageBoxWnd.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <sstream>

namespace {

std::atomic<cwui::MessageLoop*> g_mainLoop{nullptr};
// As near the process's start as the program gets: its static initialisation.
const std::chrono::steady_clock::time_point g_processStart = std::chrono::steady_clock::now();
// The loop outlives the window and its threads, which post to it until they
// are joined after the loop has ended.
std::unique_ptr<cwui::MessageLoop> g_loop;
std::unique_ptr<ui::InstallUIMainWnd> g_mainWindow;

std::optional<std::string> ReadArchive(const std::string& path) { return cwui::CResourceArchive::Instance().Read(path); }

std::unique_ptr<cwui::Host> MakeDesktopHost(cwui::Window& window, cwui::MessageLoop& loop, const char* title) {
  auto host = std::make_unique<cwui::GtkHost>(window, loop);
  host->setTitle(title);
  host->centre();
  return host;
}

// This program again, hidden, with the upload run's switches.
void StartLogUpload(const std::string& parameters) {
  std::vector<std::string> argv{cwplat::GetModuleFileName()};
  std::istringstream words(parameters);
  for (std::string word; words >> word;) argv.push_back(word);
  cwplat::SpawnedProcess upload;
  if (const int error = upload.Start(argv); error != 0) CWLOG << " Log upload not started: " << error;
  upload.Release();
}

}  // namespace

bool OpenDesktop() {
  static const bool opened = [] {
    if (!cwui::GtkHost::Init()) return false;
    // Read once here, on GTK's thread: the window's start-up reports it.
    int width = 0, height = 0;
    const double scale = cwui::GtkHost::ScreenInfo(width, height);
    FuntionImpl::SetScreenInfoProvider([width, height, scale](int& w, int& h) {
      w = width;
      h = height;
      return scale;
    });
    std::string error;
    const auto fonts = cwui::CResourceArchive::Instance().Read("fonts/fonts.conf");
    if (!fonts || !cwui::FontMap::Load(*fonts, &error)) CWLOG << " Font configuration not used: " << error;
    return true;
  }();
  return opened;
}

void ShowStartupMessageBox(EnumMsgType type, EnumLanguage language) {
  CWLOG << " ShowMsgBox: " << static_cast<int>(type);
  if (!OpenDesktop()) {
    CWLOG << " No display to show the window on";
    std::fprintf(stderr, "%s\n", ConsoleMessageText(type));
    return;
  }
  ui::MessageBoxWnd::Environment env;
  env.archive = &ReadArchive;
  env.makeHost = [](cwui::Window& window, cwui::MessageLoop& loop) { return MakeDesktopHost(window, loop, "MSGUIDemo"); };
  env.autoRun = FuntionImpl::IsAutoRun();
  cwui::MessageLoop loop;
  ui::MessageBoxWnd(type, language, std::move(env)).showModal(nullptr, loop);
}

bool RunMainWindow() {
  if (!OpenDesktop()) {
    CWLOG << " No display to show the window on";
    std::fprintf(stderr, "There is no display to show the installer's window on; --unattended installs without one.\n");
    return false;
  }
  g_loop = std::make_unique<cwui::MessageLoop>();
  cwui::MessageLoop& loop = *g_loop;
  ui::InstallUIMainWnd::Environment env;
  env.archive = &ReadArchive;
  env.userLog = &CSingleUserLog::GetInstance();
  env.autoRun = FuntionImpl::IsAutoRun();
  env.systemLanguage = FuntionImpl::GetLanguageByLocalSystem();
  env.programFilesFolder = cwplat::GetApplicationsFolder();
  env.freeBytes = [](const std::string& path) { return cwplat::GetDiskFreeBytesAvailable(path); };
  env.startLogUpload = &StartLogUpload;
  env.makeHost = [](cwui::Window& window, cwui::MessageLoop& l) -> std::unique_ptr<cwui::Host> {
    const bool main = window.find("main_tablayout") != nullptr;
    return MakeDesktopHost(window, l, main ? "" : "MSGUIDemo");  // the launch window titles itself
  };
  env.chooseFolder = [] {
    auto* host = g_mainWindow ? dynamic_cast<cwui::GtkHost*>(g_mainWindow->host()) : nullptr;
    return cwui::GtkHost::ChooseFolder(host, "");
  };
  env.plainMessage = &cwui::GtkHost::ShowPlainMessage;
  g_mainWindow = std::make_unique<ui::InstallUIMainWnd>(loop, std::move(env));
  if (!g_mainWindow->create()) {
    g_mainWindow.reset();
    return false;
  }
  if (auto* gtk = dynamic_cast<cwui::GtkHost*>(g_mainWindow->host())) {
    gtk->setTitle(g_mainWindow->productName());
    gtk->setFirstPaint([] {
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_processStart);
      CWLOG << " First frame painted " << ms.count() << " ms after start";
    });
    gtk->setCloseRequest([] { g_mainWindow->requestClose(); });
  }
  g_mainLoop = &loop;
  loop.run();
  g_mainLoop = nullptr;
  return true;
}

void RaiseMainWindow() {
  if (cwui::MessageLoop* loop = g_mainLoop.load()) {
    loop->post([] {
      if (g_mainWindow) g_mainWindow->raise();
    });
  }
}

void WaitForMainWindowThreads() {
  if (g_mainWindow) g_mainWindow->WaitForAllThreadExit();
  g_mainWindow.reset();
  g_loop.reset();
}
