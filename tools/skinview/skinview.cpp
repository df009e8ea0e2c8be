// cw_skinview LAYOUT OUT.png [--scale N] [--archive FILE] [--focus NAME] [--show]
//             [--lang CODE] [--msgbox TYPE] [--select TAB=INDEX]... [--visible NAME=0|1]...
// Reads a layout from the embedded resource archive (or another archive),
// lays it out and paints it offscreen: the quickest way to look at a skin.
// --lang puts a language's texts in (product codes: en, ja, zhcn, ar, ...):
// the message-box texts of --msgbox TYPE (default 2) for a message box's
// layout, the main window's texts, sample figures and licence otherwise.
// --select and --visible set a page state first.
// --show also opens it in a desktop window (until it is closed), to try its
// pointer and keyboard; notifications are printed.
#include "src/app/EmbeddedResources.h"
#include "toolkit/FontMap.h"
#include "toolkit/GtkHost.h"
#include "toolkit/HeadlessHost.h"
#include "toolkit/ResourceArchive.h"
#include "ui/ApplyLanguage.h"
#include "ui/FormatText.h"
#include "ui/LanguageTable.h"
#include "LanguageCodes.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>
#include <vector>

namespace {

int Usage() {
  std::cerr << "usage: cw_skinview LAYOUT OUT.png [--scale 1|2|3|4] [--archive FILE] [--focus NAME] [--show]\n"
               "                   [--lang CODE] [--msgbox TYPE] [--select TAB=INDEX]... [--visible NAME=0|1]...\n";
  return 2;
}

// "name=value" split at its '='; false when there is none.
bool Split(const std::string& arg, std::string& name, int& value) {
  const std::size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  name = arg.substr(0, eq);
  value = std::atoi(arg.c_str() + eq + 1);
  return true;
}

// A language's texts, as the windows show them, with sample figures.
void ApplyLanguage(cwui::Window& window, const cwui::LayoutSource& source, EnumLanguage language, bool messageBox,
                   int type) {
  if (messageBox) {
    ui::SetWindowLanguage(window, language);
    if (const auto page = ui::LoadLanguagePage(source, language, "message_page")) ui::ApplyMessageBox(window, *page, type);
    return;
  }
  ui::InstallFormats formats;
  if (!ui::ApplyMainWindowLanguage(window, source, language, 61, 128.4, "180 MB", formats)) return;
  if (cwui::Control* label = window.find("install_label")) {
    window.setText(*label, ui::FormatNumber(formats.installLabel, 42.0));
  }
  if (cwui::Control* bar = window.find("install_progress")) window.setValue(*bar, 42);
  if (cwui::Control* start = window.find("start_app")) {
    window.setText(*start, ui::LoadLanguageText(source, "install_page", "start_app", language));
  }
  if (cwui::Control* combo = window.find("language_combox")) window.selectComboItem(*combo, language);
  if (cwui::Control* edit = window.find("install_file_path_edit")) {
    window.setText(*edit, "/home/user/.local/share/Programs/Quorla");
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string layout, out, archivePath, focus;
  int scale = 1;
  bool show = false;
  std::optional<EnumLanguage> language;
  int msgbox = 2;
  std::vector<std::pair<std::string, int>> selects, visibles;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--scale" && hasValue) {
      scale = std::atoi(argv[++i]);
      if (scale < 1 || scale > 4) return Usage();
    } else if (arg == "--archive" && hasValue) {
      archivePath = argv[++i];
    } else if (arg == "--show") {
      show = true;
    } else if (arg == "--focus" && hasValue) {
      focus = argv[++i];
    } else if (arg == "--lang" && hasValue) {
      language = LanguageFromProductCode(argv[++i]);
      if (!language) return Usage();
    } else if (arg == "--msgbox" && hasValue) {
      msgbox = std::atoi(argv[++i]);
    } else if ((arg == "--select" || arg == "--visible") && hasValue) {
      std::pair<std::string, int> setting;
      if (!Split(argv[++i], setting.first, setting.second)) return Usage();
      (arg == "--select" ? selects : visibles).push_back(setting);
    } else if (layout.empty() && arg.rfind("--", 0) != 0) {
      layout = arg;
    } else if (out.empty() && arg.rfind("--", 0) != 0) {
      out = arg;
    } else {
      return Usage();
    }
  }
  if (layout.empty() || out.empty()) return Usage();

  cwui::CResourceArchive archive;
  std::string bytes;
  if (archivePath.empty()) {
    bytes.assign(static_cast<const char*>(EmbeddedResourceData()), EmbeddedResourceSize());
  } else {
    std::ifstream in(archivePath, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    bytes = all.str();
  }
  if (!archive.Open(bytes.data(), bytes.size())) {
    std::cerr << "cw_skinview: cannot open the archive: " << archive.LastError() << "\n";
    return 1;
  }
  // The fonts of the archive shown, else the program's own.
  cwui::CResourceArchive embedded;
  embedded.Open(EmbeddedResourceData(), EmbeddedResourceSize());
  std::optional<std::string> fonts = archive.Read("fonts/fonts.conf");
  if (!fonts) fonts = embedded.Read("fonts/fonts.conf");
  std::string error;
  if (!fonts || !cwui::FontMap::Load(*fonts, &error)) {
    std::cerr << "cw_skinview: the archive's font configuration is not used (" << (fonts ? error : "missing")
              << "); system fonts instead\n";
  }
  const auto xml = archive.Read(layout);
  if (!xml) {
    std::cerr << "cw_skinview: no layout " << layout << " in the archive\n";
    return 1;
  }
  const auto source = [&archive](const std::string& path) { return archive.Read(path); };
  std::optional<cwui::Skin> skin = cwui::ReadSkin(*xml, source, &error);
  if (!skin) {
    std::cerr << "cw_skinview: " << layout << ": " << error << "\n";
    return 1;
  }
  if (!error.empty()) std::cerr << "cw_skinview: " << layout << ": " << error << "\n";

  cwui::Window window(std::move(*skin), source);
  for (const auto& [name, index] : selects) {
    if (cwui::Control* tab = window.find(name)) window.selectItem(*tab, index);
  }
  for (const auto& [name, shown] : visibles) {
    if (cwui::Control* c = window.find(name)) window.setVisible(*c, shown != 0);
  }
  if (language) {
    ApplyLanguage(window, source, *language, layout.find("MessageBox") != std::string::npos, msgbox);
  }
  cwui::MessageLoop loop;
  cwui::OffscreenHost host(window, loop, scale);
  if (!focus.empty()) {
    if (cwui::Control* c = window.find(focus)) window.setFocus(c);
  }
  if (!host.writePng(out, &error)) {
    std::cerr << "cw_skinview: cannot write " << out << ": " << error << "\n";
    return 1;
  }
  std::cout << out << ": " << window.skin().size.cx * scale << " x " << window.skin().size.cy * scale
            << " pixels at scale " << scale << ", " << host.missingGlyphs() << " characters without a glyph\n";
  if (!show) return 0;
  if (!cwui::GtkHost::Init()) {
    std::cerr << "cw_skinview: no display to show the window on\n";
    return 1;
  }
  window.setNotifier([](const cwui::Notification& n) {
    std::cout << n.type << " " << (n.sender != nullptr ? n.sender->name() : "") << (n.link.empty() ? "" : " " + n.link)
              << std::endl;
  });
  cwui::GtkHost desktop(window, loop);
  desktop.setMain(true);
  desktop.setTitle(layout);
  desktop.centre();
  desktop.show();
  loop.run();
  return 0;
}
