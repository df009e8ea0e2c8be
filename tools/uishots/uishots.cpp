// cw_uishots OUTDIR [--lang CODE|all] [--scale N]
// Renders every page state of the installer's windows, driven through the
// windows' own code in the offscreen host (not drawn separately), to
// OUTDIR/<lang>/<page>.png, and writes OUTDIR/index.html, a contact sheet.
// The install flow's outside steps are left out: no network, no install.
#include "src/app/EmbeddedResources.h"
#include "LanguageCodes.h"
#include "SingleUserLog.h"
#include "toolkit/FontMap.h"
#include "toolkit/HeadlessHost.h"
#include "toolkit/ResourceArchive.h"
#include "ui/CAlientWnd.h"
#include "ui/InstallUIMainWnd.h"
#include "ui/MessageBoxWnd.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kCodes[] = {"en", "ja", "zhcn", "es", "de", "fr", "ru", "pt", "ar", "it",
                              "zhtw", "ko", "nl", "id", "tr", "hi", "th", "my", "se", "cz"};

struct Shots {
  fs::path dir;
  int scale = 1;
  std::vector<std::string> written;  // relative paths, for the sheet
  int missingGlyphs = 0;

  void write(cwui::OffscreenHost& host, const std::string& language, const std::string& page) {
    const fs::path file = dir / language / (page + ".png");
    fs::create_directories(file.parent_path());
    std::string error;
    if (!host.writePng(file.string(), &error)) {
      std::cerr << "cw_uishots: " << file << ": " << error << "\n";
      return;
    }
    missingGlyphs += host.missingGlyphs();
    written.push_back(language + "/" + page + ".png");
  }
};

std::optional<std::string> ReadArchive(const std::string& path) { return cwui::CResourceArchive::Instance().Read(path); }

void BannerShots(Shots& shots, ui::InstallUIMainWnd::Environment env, const std::string& code);

// The main window in each page state; a message box it shows on the way is
// answered Yes (the boxes have pictures of their own).
void MainWindowShots(Shots& shots, EnumLanguage language, const std::string& code, CSingleUserLog& log) {
  cwui::MessageLoop loop;
  ui::InstallUIMainWnd::Environment env;
  env.archive = &ReadArchive;
  env.userLog = &log;
  env.systemLanguage = language;
  env.programFilesFolder = "/home/user/.local/opt";
  env.prefetch = [](IInstallWindow&) {};
  env.preInstallChecks = [](IInstallWindow& w) {
    w.showRunningPage();
    return 0;
  };
  env.installThread = [](IInstallWindow&) { return 0u; };
  env.bannerThread = [](ui::InstallUIMainWnd&) { return 0u; };
  env.makeHost = [&](cwui::Window& w, cwui::MessageLoop& l) -> std::unique_ptr<cwui::Host> {
    auto host = std::make_unique<cwui::OffscreenHost>(w, l, shots.scale);
    if (w.find("main_tablayout") == nullptr) {
      cwui::OffscreenHost* box = host.get();
      l.post([box] { box->close(ui::MessageBoxWnd::kYes); });  // inside the box's own modal run
    }
    return host;
  };
  ui::InstallUIMainWnd main(loop, env);
  if (!main.create()) return;
  auto& host = static_cast<cwui::OffscreenHost&>(*main.host());
  shots.write(host, code, "settings");
  main.click("install_setting");
  shots.write(host, code, "settings-panel");
  main.followLink("license_link");
  shots.write(host, code, "licence");
  main.followLink("license_link");
  main.click("install_btn");
  main.SetProgress(40);
  shots.write(host, code, "running");
  main.OnMessage(WM_INSTALLFINISH, 0);
  shots.write(host, code, "finished");

  ui::InstallUIMainWnd failing(loop, env);
  if (!failing.create()) return;
  failing.click("install_btn");
  failing.OnMessage(WM_DOWNLOADFAIL, 8);
  shots.write(static_cast<cwui::OffscreenHost&>(*failing.host()), code, "failed");
  BannerShots(shots, env, code);
}

// The running page after the banner service delivered its pictures: the
// service's demo pictures stored as the banner thread stores them, then its
// message, which rebuilds the carousel.
void BannerShots(Shots& shots, ui::InstallUIMainWnd::Environment env, const std::string& code) {
  cwui::MessageLoop loop;
  env.bannerThread = [](ui::InstallUIMainWnd& w) {
    const std::string folder = w.downloadFolder();
    for (int k = 1; k <= 3; ++k) {
      const std::string file = folder + "/" + std::to_string(k) + ".png";
      std::error_code error;
      fs::copy_file(std::string(CW_BANNER_PICTURES) + "/banner_" + std::to_string(k) + ".png", file,
                    fs::copy_options::overwrite_existing, error);
      w.storeBanner({"", "", "", file, k});
    }
    return 0u;
  };
  ui::InstallUIMainWnd main(loop, env);
  if (!main.create()) return;
  main.click("install_btn");
  main.WaitForAllThreadExit();
  main.OnMessage(WM_BANNERREADY, 0);
  main.SetProgress(40);
  shots.write(static_cast<cwui::OffscreenHost&>(*main.host()), code, "running-banners");
}

// Every message-box type on its own.
void MessageBoxShots(Shots& shots, EnumLanguage language, const std::string& code) {
  cwui::MessageLoop loop;
  for (int type = MSG_REPLACE; type <= MSG_AGREE; ++type) {
    ui::MessageBoxWnd::Environment env;
    env.archive = &ReadArchive;
    env.makeHost = [&shots, &code, type](cwui::Window& w, cwui::MessageLoop& l) -> std::unique_ptr<cwui::Host> {
      auto host = std::make_unique<cwui::OffscreenHost>(w, l, shots.scale);
      cwui::OffscreenHost* box = host.get();
      l.post([&shots, box, code, type] {
        shots.write(*box, code, "box-" + std::to_string(type));
        box->close(ui::MessageBoxWnd::kNo);
      });
      return host;
    };
    ui::MessageBoxWnd(static_cast<EnumMsgType>(type), language, env).showModal(nullptr, loop);
  }
}

// The launch window a few frames into its spinner, while a product that
// started keeps it up; captured, then closed.
void LaunchShots(Shots& shots, EnumLanguage language, const std::string& code) {
  cwui::MessageLoop loop;
  ui::CAlientWnd::Environment env;
  env.archive = &ReadArchive;
  env.start = [](const std::string&, int) { return 0; };
  ui::CAlientWnd* shown = nullptr;
  env.makeHost = [&](cwui::Window& w, cwui::MessageLoop& l) -> std::unique_ptr<cwui::Host> {
    auto host = std::make_unique<cwui::OffscreenHost>(w, l, shots.scale);
    cwui::OffscreenHost* launch = host.get();
    l.post([&shots, &shown, launch, code] {
      while (ui::CAlientWnd::FrameCounter() % ui::CAlientWnd::kFrameNames != 4) shown->nextFrame();
      shown->nextFrame();
      shots.write(*launch, code, "launch");
      launch->close(ui::CAlientWnd::kClosedByLaunch);
    });
    return host;
  };
  ui::CAlientWnd wnd(0, "\"/home/user/.local/opt/Quorla/quorla\"", "2.0.1", "Quorla Murmelon", 60, language,
                     std::move(env));
  shown = &wnd;
  wnd.showModal(loop);
}

void WriteSheet(const Shots& shots) {
  std::ofstream html(shots.dir / "index.html");
  html << "<!doctype html><meta charset=\"utf-8\"><title>Installer windows</title>\n"
          "<style>body{font-family:sans-serif;background:#eee}figure{display:inline-block;margin:6px;"
          "vertical-align:top}img{max-width:330px;border:1px solid #ccc;background:#fff}</style>\n";
  for (const std::string& shot : shots.written) {
    html << "<figure><a href=\"" << shot << "\"><img src=\"" << shot << "\"></a><figcaption>" << shot
         << "</figcaption></figure>\n";
  }
}

int Usage() {
  std::cerr << "usage: cw_uishots OUTDIR [--lang CODE|all] [--scale 1|2]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Shots shots;
  std::vector<std::string> codes = {"en"};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--lang" && i + 1 < argc) {
      const std::string code = argv[++i];
      codes = code == "all" ? std::vector<std::string>(std::begin(kCodes), std::end(kCodes)) : std::vector{code};
    } else if (arg == "--scale" && i + 1 < argc) {
      shots.scale = std::atoi(argv[++i]);
      if (shots.scale < 1 || shots.scale > 2) return Usage();
    } else if (shots.dir.empty() && arg.rfind("--", 0) != 0) {
      shots.dir = arg;
    } else {
      return Usage();
    }
  }
  if (shots.dir.empty()) return Usage();
  if (!cwui::CResourceArchive::Instance().Open(EmbeddedResourceData(), EmbeddedResourceSize())) return 1;
  if (const auto fonts = ReadArchive("fonts/fonts.conf")) cwui::FontMap::Load(*fonts);
  // Events go nowhere: the log has no transport.
  UserLogOptions options;
  options.createTransport = [] { return std::shared_ptr<IWebLog>(); };
  options.facts = UserLogFacts{};
  CSingleUserLog log(options);
  // The banner pictures need a download folder: one of a temporary set of
  // per-user folders, removed at the end.
  char state[] = "/tmp/cw_uishots.XXXXXX";
  if (mkdtemp(state) == nullptr) return 1;
  setenv("XDG_DATA_HOME", (std::string(state) + "/data").c_str(), 1);
  setenv("XDG_CACHE_HOME", (std::string(state) + "/cache").c_str(), 1);
  log.InitLogPaths("cw_uishots");
  for (const std::string& code : codes) {
    const std::optional<EnumLanguage> language = LanguageFromProductCode(code);
    if (!language) return Usage();
    MainWindowShots(shots, *language, code, log);
    MessageBoxShots(shots, *language, code);
    LaunchShots(shots, *language, code);
  }
  std::error_code ignored;
  fs::remove_all(state, ignored);
  WriteSheet(shots);
  std::cout << shots.written.size() << " pictures in " << shots.dir << ", " << shots.missingGlyphs
            << " characters without a glyph\n";
  return shots.missingGlyphs == 0 ? 0 : 1;
}
