// The installer's own modal message box: a question or an error of one of the
// fifteen types, in the language chosen in the main window, answered with 1
// (yes) or 2 (no, or closed).
#pragma once

#include "EnumLanguage.h"
#include "EnumMsgType.h"
#include "toolkit/Host.h"
#include "toolkit/Skin.h"

#include <functional>
#include <memory>
#include <optional>

namespace ui {

// Makes the host a window is shown in (the GTK host on a desktop, the
// headless one in tests).
using HostFactory = std::function<std::unique_ptr<cwui::Host>(cwui::Window&, cwui::MessageLoop&)>;

class MessageBoxWnd {
 public:
  static constexpr int kYes = 1;
  static constexpr int kNo = 2;
  // The main window's message that clears what the failed download left.
  static constexpr int kClearAppData = 2943;
  static constexpr int kAutoRunTimer = 777;

  struct Environment {
    cwui::LayoutSource archive;              // skins and language files
    HostFactory makeHost;
    bool autoRun = false;                    // answer a box without a choice after a second
    std::function<void(int)> postToParent;   // a message to the main window
  };

  MessageBoxWnd(EnumMsgType type, EnumLanguage language, Environment environment);
  ~MessageBoxWnd();

  // Shows the box over `parent` (may be null: before any main window) and
  // runs it until it is answered. The parent is brought back first, in case
  // it was minimised. A skin that cannot be read answers kNo at once.
  int showModal(cwui::Host* parent, cwui::MessageLoop& loop);

  // The box's window while it is shown (for tests and screenshots).
  cwui::Window* window() const { return m_window.get(); }
  cwui::Host* host() const { return m_host.get(); }

 private:
  void onClick(const std::string& name);

  EnumMsgType m_type;
  EnumLanguage m_language;
  Environment m_env;
  cwui::Host* m_parent = nullptr;
  std::unique_ptr<cwui::Window> m_window;
  std::unique_ptr<cwui::Host> m_host;
};

}  // namespace ui
