#include "ui/MessageBoxWnd.h"

#include "ui/ApplyLanguage.h"
#include "ui/MessageBoxTable.h"

namespace ui {

MessageBoxWnd::MessageBoxWnd(EnumMsgType type, EnumLanguage language, Environment environment)
    : m_type(type), m_language(language), m_env(std::move(environment)) {}

MessageBoxWnd::~MessageBoxWnd() {
  if (m_host) m_host->loop().killTimers(this);
}

int MessageBoxWnd::showModal(cwui::Host* parent, cwui::MessageLoop& loop) {
  m_parent = parent;
  const auto xml = m_env.archive ? m_env.archive(MessageBoxSkin(m_type)) : std::nullopt;
  auto skin = xml ? cwui::ReadSkin(*xml, m_env.archive) : std::nullopt;
  if (!skin || !m_env.makeHost) return kNo;
  m_window = std::make_unique<cwui::Window>(std::move(*skin), m_env.archive);
  SetWindowLanguage(*m_window, m_language);
  if (m_type != MSG_DOWN) {
    // An unreadable language file leaves the skin's texts; one without the
    // page empties them.
    if (const auto page = LoadLanguagePage(m_env.archive, m_language, "message_page")) {
      ApplyMessageBox(*m_window, *page, m_type);
    }
  }
  m_host = m_env.makeHost(*m_window, loop);
  m_host->setEscapeResult(kNo);
  m_window->setNotifier([this](const cwui::Notification& n) {
    if (n.type == "click" && n.sender != nullptr) onClick(n.sender->name());
  });
  const cwui::Control* no = m_window->find("btn_no");
  if (m_env.autoRun && (no == nullptr || !no->visible)) {
    loop.setTimer(this, kAutoRunTimer, 1000, [this, &loop] {
      loop.killTimer(this, kAutoRunTimer);
      onClick("btn_yes");
    });
  }
  if (parent != nullptr) parent->raise();
  const int result = m_host->runModal(parent);
  loop.killTimers(this);
  return result;
}

void MessageBoxWnd::onClick(const std::string& name) {
  const bool clearsData = m_type == MSG_INSTALLTIMEOUT || m_type == MSG_MD5FAIL;
  if (name == "closebtn") {
    if (clearsData && m_env.postToParent) m_env.postToParent(kClearAppData);
    m_host->close(kNo);
  } else if (name == "minbtn") {
    m_host->minimize();
  } else if (name == "btn_yes") {
    if (m_type == MSG_FINISH || m_type == MSG_CANCEL) {
      // The installer is ending: both windows go at once.
      m_host->hide();
      if (m_parent != nullptr) m_parent->hide();
    }
    if (clearsData && m_env.postToParent) m_env.postToParent(kClearAppData);
    m_host->close(kYes);
  } else if (name == "btn_no") {
    m_host->close(kNo);
  }
}

}  // namespace ui
