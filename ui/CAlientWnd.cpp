#include "ui/CAlientWnd.h"

#include "SingleUserLog.h"
#include "toolkit/GtkHost.h"
#include "ui/ApplyLanguage.h"
#include "ui/LanguageFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace ui {
namespace {

// Process-wide, as the spinner goes on where the last launch window left it.
// Touched on the loop's thread only.
unsigned g_frameCounter = 0;

}  // namespace

CAlientWnd::CAlientWnd(int adminFlag, std::string target, std::string version, std::string title, int duration,
                       EnumLanguage language, Environment environment)
    : m_adminFlag(adminFlag),
      m_target(std::move(target)),
      m_version(std::move(version)),
      m_title(std::move(title)),
      m_duration(std::clamp(duration, 0, kMaxDurationSeconds)),
      m_language(language),
      m_env(std::move(environment)) {}

CAlientWnd::~CAlientWnd() {
  m_closing.Set();
  m_thread.Join(cwplat::kInfinite);
  if (m_loop != nullptr) m_loop->killTimers(this);
}

std::string CAlientWnd::FrameName(unsigned counter) {
  char name[32];
  std::snprintf(name, sizeof name, "skin/gif/bg%.2u.png", counter % kFrameNames);
  return name;
}

unsigned CAlientWnd::FrameCounter() { return g_frameCounter; }

int CAlientWnd::showModal(cwui::MessageLoop& loop) {
  const auto xml = m_env.archive ? m_env.archive(kSkin) : std::nullopt;
  auto skin = xml ? cwui::ReadSkin(*xml, m_env.archive) : std::nullopt;
  if (!skin || !m_env.makeHost) return kClosedByLaunch;
  m_loop = &loop;
  m_window = std::make_unique<cwui::Window>(std::move(*skin), m_env.archive);
  SetWindowLanguage(*m_window, m_language);  // the fonts of the product name's script
  m_host = m_env.makeHost(*m_window, loop);
  if (auto* gtk = dynamic_cast<cwui::GtkHost*>(m_host.get())) gtk->setTitle(m_title);
  m_host->centre();
  m_host->setEscapeResult(kClosedByUser);
  m_window->setNotifier([this](const cwui::Notification& n) {
    if (n.type == "click" && n.sender != nullptr) onClick(n.sender->name());
  });
  setUp(loop);
  const int result = m_host->runModal(nullptr);
  loop.killTimers(this);
  m_closing.Set();
  // Closed by the user: the thread may still be starting the product or
  // showing its hint, which needs the loop running; it ends with a message.
  if (!m_launchEnded) {
    m_draining = true;
    loop.run();
    m_draining = false;
  }
  m_thread.Join(cwplat::kInfinite);
  return result;
}

void CAlientWnd::setUp(cwui::MessageLoop& loop) {
  m_foreImage = m_window->find("foreImage");
  if (cwui::Control* version = m_window->find("version")) m_window->setText(*version, m_title);
  m_hint = LoadLanguageText(m_env.archive, "message_page", "ClickShortcutToLaunchText", m_language);
  loop.setTimer(this, kFrameTimer, kFrameMs, [this] { nextFrame(); });
  if (!m_thread.Start([this] { launch(); })) {
    loop.post([this] { launchEnded(); });
  }
}

void CAlientWnd::nextFrame() {
  const std::string name = FrameName(g_frameCounter++);
  if (m_window == nullptr || m_foreImage == nullptr) return;
  if (m_window->images().get(name) == nullptr) return;  // the frame on screen stays
  m_window->setAttribute(*m_foreImage, "bkimage", name);
}

// The launch thread: touches no control; the window ends through the loop.
void CAlientWnd::launch() {
  const int started = m_env.start ? m_env.start(m_target, m_adminFlag) : -1;
  if (started != 0) {
    if (m_env.userLog != nullptr) m_env.userLog->AddUserLog_simple("Other", "FlowError", "DL019", false);
    if (m_env.plainMessage) m_env.plainMessage(m_hint);
  } else {
    m_closing.Wait(static_cast<std::uint64_t>(m_duration) * 1000);
  }
  m_loop->post([this] { launchEnded(); });
}

void CAlientWnd::launchEnded() {
  m_launchEnded = true;
  if (m_draining) {
    m_loop->quit(0);
  } else {
    m_host->close(kClosedByLaunch);
  }
}

void CAlientWnd::onClick(const std::string& name) {
  if (name == "closebtn") {
    m_host->close(kClosedByUser);
  } else if (name == "minbtn") {
    m_host->minimize();
  }
}

}  // namespace ui
