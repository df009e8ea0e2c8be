#include "DesktopWindows.h"

#include "ConsoleMessages.h"
#include "LocalSettings.h"
#include "platform/log.h"
#include "toolkit/FontMap.h"
#include "toolkit/GtkHost.h"
#include "toolkit/ResourceArchive.h"
#include "ui/MessageBoxWnd.h"

#include <cstdio>

bool OpenDesktop() {
  static const bool opened = [] {
    if (!cwui::GtkHost::Init()) return false;
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
    std::fprintf(stderr, "%s\n", ConsoleMessageText(type));
    return;
  }
  ui::MessageBoxWnd::Environment env;
  env.archive = [](const std::string& path) { return cwui::CResourceArchive::Instance().Read(path); };
  env.makeHost = [](cwui::Window& window, cwui::MessageLoop& loop) {
    auto host = std::make_unique<cwui::GtkHost>(window, loop);
    host->setTitle("MSGUIDemo");
    host->centre();
    return host;
  };
  env.autoRun = FuntionImpl::IsAutoRun();
  cwui::MessageLoop loop;
  ui::MessageBoxWnd(type, language, std::move(env)).showModal(nullptr, loop);
}
