#include "InstallerDesktop.h"

#include "ProcessFigures.h"
#include "Xdo.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace desktoptest {
namespace {

namespace fs = std::filesystem;

using e2etest::DeploymentFor;
using e2etest::kPackage;
using e2etest::kPackageDir;

std::string Tail(const std::string& text, std::size_t size) {
  return text.size() > size ? text.substr(text.size() - size) : text;
}

}  // namespace

void InstallerDesktop::SetUpTestSuite() {
  s_desktop = std::make_unique<cwtest::AccessibleDesktop>();
  // Room for the window with its panel open (650 x 560) and a message box.
  s_missing = s_desktop->Start("1024x768x24");
  if (s_missing.empty() && (XdotoolPath().empty() || ImportPath().empty())) s_missing = "xdotool or import is missing";
}

void InstallerDesktop::TearDownTestSuite() { s_desktop.reset(); }

void InstallerDesktop::SetUp() {
  if (!s_missing.empty()) {
    CW_SKIP_WITHOUT_TOOL(s_missing);
  }
  ASSERT_TRUE(fs::exists(kPackageDir + "/files/" + kPackage)) << "the sample package is built with the tests";
  server = std::make_unique<devtest::DevServer>(cwtest::ReadFile(kPackageDir + "/devserver.json"), true);
  ASSERT_TRUE(server->ready()) << server->output();
  fs::copy_file(kPackageDir + "/files/" + kPackage, server->root() + "/" + kPackage);
  // The banner service's pictures, so the running page shows them and not the shipped ones.
  std::error_code ec;
  fs::create_directories(server->root() + "/banners", ec);
  for (const auto& picture : fs::directory_iterator(std::string(CW_BINARY_DIR) + "/tools/devserver/banners", ec)) {
    if (picture.path().extension() == ".png") {
      fs::copy_file(picture.path(), server->root() + "/banners/" + picture.path().filename().string(), ec);
    }
  }
  cwtest::WriteFile(box.dir() + "/deployment.xml", DeploymentFor(*server));
  auto& env = box.env();
  env["CW_DEPLOYMENT_FILE"] = box.dir() + "/deployment.xml";
  env["CW_APPLICATIONS_FOLDER"] = InstallRoot();
  // The sandbox keeps windows off the test's display; this suite wants them on its own.
  env["DISPLAY"] = std::getenv("DISPLAY");
  env["GDK_BACKEND"] = "x11";
  env["GDK_SCALE"] = "1";
  // Built with the address sanitizer, the whole desktop program ends with a
  // leak report for strings GTK's accessibility bridge keeps, allocated
  // where no frame can be named, so no suppression can match them. Leaks of
  // our code are checked by the other suites under the same sanitizer.
  env["ASAN_OPTIONS"] = "detect_leaks=0";
  shots = std::make_unique<Screenshots>();
}

void InstallerDesktop::TearDown() {
  if (HasFailure()) {
    Shot("failure");
    if (app) std::cerr << "The program's windows:\n" << Tree(app.get());
    std::cerr << "The program's log (end):\n" << Tail(Log(), 8000) << "\nIts output:\n"
              << Tail(cwtest::ReadFile(box.dir() + "/stdout.txt"), 3000) << "\n";
    std::error_code ec;
    for (const auto& file : fs::directory_iterator(box.logFolder(), ec)) {
      if (file.path().extension() == ".dmp") std::cerr << file.path() << ":\n" << cwtest::ReadFile(file.path()).substr(0, 4000) << "\n";
    }
  }
  main.reset();
  app.reset();
  if (program) {
    program->Kill(SIGKILL);
    program->Wait(5000);
  }
}

bool InstallerDesktop::StartInstaller(const std::string& locale) {
  auto& env = box.env();
  env["LANG"] = locale;
  env["LC_ALL"] = "";
  env["LC_MESSAGES"] = "";
  env["LANGUAGE"] = "";
  program = box.Start();
  app = cwtest::FindApplication(program->pid());
  EXPECT_TRUE(app) << "the program never registered with the accessibility bus";
  if (!app) return false;
  main = Frame(kProductTitle);
  EXPECT_TRUE(main) << "the main window never showed";
  return static_cast<bool>(main);
}

cwtest::Ref InstallerDesktop::Frame(const std::string& title, int timeoutMs) {
  cwtest::Ref found;
  WaitFor([&] {
    // New windows are new children of the application: ask again each time.
    atspi_accessible_clear_cache(app.get());
    const gint count = std::min(atspi_accessible_get_child_count(app.get(), nullptr), 20);
    for (gint i = 0; i < count && !found; ++i) {
      cwtest::Ref child(atspi_accessible_get_child_at_index(app.get(), i, nullptr));
      if (child && cwtest::NameOf(child.get()) == title && cwtest::HasState(child.get(), ATSPI_STATE_SHOWING)) {
        found = std::move(child);
      }
    }
    return static_cast<bool>(found);
  }, timeoutMs);
  return found;
}

cwtest::Ref InstallerDesktop::Node(const std::string& name, AtspiRole role, AtspiAccessible* root, int timeoutMs) {
  return NodeWhere([&](AtspiAccessible* node) {
    return cwtest::NameOf(node) == name && (role == ATSPI_ROLE_INVALID || atspi_accessible_get_role(node, nullptr) == role);
  }, root, timeoutMs);
}

cwtest::Ref InstallerDesktop::NodeWhere(const std::function<bool(AtspiAccessible*)>& accept, AtspiAccessible* root,
                                        int timeoutMs) {
  AtspiAccessible* in = root != nullptr ? root : main.get();
  cwtest::Ref found;
  if (in == nullptr) return found;
  WaitFor([&] {
    cwtest::WalkNodes(in, [&](AtspiAccessible* node) {
      if (accept(node)) found.reset(ATSPI_ACCESSIBLE(g_object_ref(node)));
      return static_cast<bool>(found);
    });
    if (!found) atspi_accessible_clear_cache(in);  // a page switch the cache missed
    return static_cast<bool>(found);
  }, timeoutMs);
  return found;
}

std::string InstallerDesktop::Tree(AtspiAccessible* root) {
  AtspiAccessible* in = root != nullptr ? root : main.get();
  return in != nullptr ? TreeText(in) : "(no window)";
}

void InstallerDesktop::Click(AtspiAccessible* node) {
  const AtspiRect box = cwtest::ExtentsOf(node, ATSPI_COORD_TYPE_SCREEN);
  ClickAt(box.x + box.width / 2, box.y + box.height / 2);
}

bool InstallerDesktop::ClickNode(const std::string& name, AtspiRole role, AtspiAccessible* root) {
  const cwtest::Ref node = Node(name, role, root);
  EXPECT_TRUE(node) << "no \"" << name << "\" to click";
  if (node) Click(node.get());
  return static_cast<bool>(node);
}

bool InstallerDesktop::WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return cwtest::Pump([&] {
    SampleMemory();
    return done();
  }, timeoutMs);
}

void InstallerDesktop::SampleMemory() {
  if (program) m_peakRssKib = std::max(m_peakRssKib, PeakRssKib(program->pid()));
}

std::string InstallerDesktop::Log() {
  if (!program) return {};
  if (m_logPath.empty()) m_logPath = box.LogWith("proc_id=" + std::to_string(program->pid()) + "\n");
  return m_logPath.empty() ? std::string() : cwtest::ReadFile(m_logPath);
}

bool InstallerDesktop::WaitForLog(const std::string& text, int timeoutMs) {
  return WaitFor([&] { return Log().find(text) != std::string::npos; }, timeoutMs);
}

double InstallerDesktop::ProgressValue() {
  const cwtest::Ref bar = cwtest::FindNode(main.get(), "install_progress", ATSPI_ROLE_PROGRESS_BAR);
  if (!bar) return -1;
  AtspiValue* value = atspi_accessible_get_value_iface(bar.get());
  const double current = value != nullptr ? atspi_value_get_current_value(value, nullptr) : -1;
  if (value != nullptr) g_object_unref(value);
  return current;
}


std::vector<double> InstallerDesktop::WatchProgress(double until, int timeoutMs) {
  std::vector<double> values;
  WaitFor([&] {
    const double v = ProgressValue();
    if (v >= 0 && (values.empty() || v != values.back())) values.push_back(v);
    return v >= until || v < 0;
  }, timeoutMs);
  return values;
}

int InstallerDesktop::FrameHeight(AtspiAccessible* frame) {
  return cwtest::ExtentsOf(frame, ATSPI_COORD_TYPE_SCREEN).height;
}

bool InstallerDesktop::Showing(const std::string& name, AtspiRole role) {
  const cwtest::Ref node = cwtest::FindNode(main.get(), name, role);
  return node && cwtest::HasState(node.get(), ATSPI_STATE_SHOWING);
}

void InstallerDesktop::SlowDownloads(int bytesPerSecond) {
  ASSERT_EQ(server->Control(R"({"faults":{"rate":)" + std::to_string(bytesPerSecond) +
                            R"(,"count":1000,"path_prefix":"/files/","method":"GET"}})"),
            200);
}

int InstallerDesktop::WaitForExit(int timeoutMs) {
  int code = -1;
  WaitFor([&] { return (code = program->Wait(0)) != -1; }, timeoutMs);
  return code;
}

void InstallerDesktop::Shot(const std::string& step) {
  if (shots) {
    EXPECT_TRUE(shots->Take(step)) << step;
  }
}

}  // namespace desktoptest
