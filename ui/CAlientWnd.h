// The launch window: a small borderless, transparent card shown modally while
// the installed product starts. It plays a spinner and stays up for the
// configured duration, then closes; when the product does not start it shows
// the shortcut hint in a plain message box and closes at once.
//
// The spinner's pictures are "skin/gif/bg00.png" ... "bg20.png" by name, but
// the archive ships bg00..bg13 only. A tick that names a missing picture
// keeps the frame already on screen (the spinner holds its last position for
// those ticks) rather than showing an empty background: nothing blinks.
#pragma once

#include "EnumLanguage.h"
#include "StartTargetMainExe.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "toolkit/Host.h"
#include "toolkit/Skin.h"
#include "ui/MessageBoxWnd.h"

#include <functional>
#include <memory>
#include <string>

class CSingleUserLog;

namespace ui {

class CAlientWnd {
 public:
  // The desktop host's window class, for a factory that sets one.
  static constexpr const char* kClassName = "CALIENTWND_UI_Frame";
  static constexpr const char* kSkin = "skin/transWnd.xml";
  static constexpr int kClosedByLaunch = 0;
  static constexpr int kClosedByUser = 2;   // closebtn
  static constexpr int kFrameTimer = 1000;
  static constexpr unsigned kFrameMs = 50;
  static constexpr int kFrameNames = 21;     // bg00 .. bg20, by name
  static constexpr int kMaxDurationSeconds = 3600;

  struct Environment {
    cwui::LayoutSource archive;  // the skin, its pictures, the language files
    HostFactory makeHost;
    CSingleUserLog* userLog = nullptr;  // the failed start's event; none: not recorded
    // Starts the product (the quoted path, the start mode): 0 or -1.
    std::function<int(const std::string& target, int mode)> start = &FuntionImpl::StartTargetMainExe;
    // A plain box with no owner and an OK button; returns once dismissed.
    // Called on the launch thread. Empty: no box.
    std::function<void(const std::string& text)> plainMessage;
  };

  // duration: seconds the window stays after a successful start (clamped to
  // 0..kMaxDurationSeconds).
  CAlientWnd(int adminFlag, std::string target, std::string version, std::string title, int duration,
             EnumLanguage language, Environment environment);
  // Ends a wait still running and joins the launch thread.
  ~CAlientWnd();
  CAlientWnd(const CAlientWnd&) = delete;
  CAlientWnd& operator=(const CAlientWnd&) = delete;

  // Shows the window (no parent, centred) and runs it until it closes:
  // kClosedByLaunch when the launch thread ended it, kClosedByUser by
  // closebtn. A skin that cannot be read returns kClosedByLaunch at once,
  // without starting anything.
  int showModal(cwui::MessageLoop& loop);

  // One tick of the spinner (the frame timer's work): the next name of the
  // cycle, kept only when its picture exists.
  void nextFrame();
  // The name a counter value stands for: "skin/gif/bg%.2d.png" of counter mod 21.
  static std::string FrameName(unsigned counter);
  // The process-wide frame counter (the next tick's value).
  static unsigned FrameCounter();

  const std::string& version() const { return m_version; }
  // While shown (tests and screenshots).
  cwui::Window* window() const { return m_window.get(); }
  cwui::Host* host() const { return m_host.get(); }

 private:
  void setUp(cwui::MessageLoop& loop);
  void launch();
  // The thread's last message: closes the window, or ends the wait for it.
  void launchEnded();
  void onClick(const std::string& name);

  const int m_adminFlag;
  const std::string m_target, m_version, m_title;
  const int m_duration;
  const EnumLanguage m_language;
  Environment m_env;

  std::string m_hint;  // read on the loop's thread, which the archive belongs to
  cwui::MessageLoop* m_loop = nullptr;
  std::unique_ptr<cwui::Window> m_window;
  std::unique_ptr<cwui::Host> m_host;
  cwui::Control* m_foreImage = nullptr;
  // The launch thread's last message arrived; showModal returns only after
  // it, so no message of the thread outlives the window.
  bool m_launchEnded = false;
  bool m_draining = false;  // showModal is waiting for that message
  cwplat::CEvent m_closing{true, false};
  cwplat::CThread m_thread;
};

}  // namespace ui
