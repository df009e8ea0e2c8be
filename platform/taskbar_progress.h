// The window's install progress on the desktop's taskbar or dock, the
// counterpart of ITaskbarList3::SetProgressValue / SetProgressState.
//
// Linux docks and task managers (GNOME's Dash-to-Dock and Ubuntu Dock, KDE
// Plasma's task manager, Unity, Plank) read the launcher-entry signal
// com.canonical.Unity.LauncherEntry.Update(s app_uri, a{sv} properties) on the
// session bus; we send it with "progress" (double 0..1), "progress-visible"
// and "urgent" (the error state) for "application://<desktop-file id>.desktop".
// The dock shows it on the launcher of the .desktop file with that id.
//
// Without a session bus every call is a quick no-op. A bus address that could
// not be connected to is not tried again while it stays the session address.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace cwplat {

// The id of the .desktop file the dock matches (without ".desktop").
inline constexpr const char* kDefaultDesktopFileId = "cw-installer";

// TBPF_NOPROGRESS, TBPF_INDETERMINATE, TBPF_NORMAL, TBPF_ERROR, TBPF_PAUSED.
// The launcher entry has no indeterminate or paused look: both show as Normal.
enum class EnumTaskbarState { NoProgress, Indeterminate, Normal, Error, Paused };

class CTaskbarProgress {
 public:
  // desktopFileId: letters, digits, '-', '_' and '.', at most 255 bytes; a
  // trailing ".desktop" is dropped. Anything else leaves the object unusable.
  explicit CTaskbarProgress(std::string desktopFileId = kDefaultDesktopFileId);
  // Hides what this object showed.
  ~CTaskbarProgress();
  CTaskbarProgress(const CTaskbarProgress&) = delete;
  CTaskbarProgress& operator=(const CTaskbarProgress&) = delete;

  // Connects to the session bus (at most once per object; the first Set* call
  // does it too). True when a session bus is there and the id is usable.
  bool HrInit();
  // completed of total, in steps of 1/1000 (total 0 gives 0, past total 1).
  // Like Windows, NoProgress and Indeterminate turn into Normal.
  void SetProgressValue(std::uint64_t completed, std::uint64_t total);
  void SetProgressState(EnumTaskbarState state);

  // "application://<id>.desktop"; empty when the id was refused.
  const std::string& AppUri() const { return m_appUri; }

 private:
  // What the dock is told: progress in 1/1000, shown, urgent.
  struct Shown {
    int perMille = 0;
    bool visible = false;
    bool urgent = false;
    bool operator==(const Shown&) const = default;
  };
  struct Bus;  // the GIO connection, kept out of this header

  // The process's connection to the current session bus address, or none.
  static std::shared_ptr<Bus> SharedBus();
  bool EnsureConnected();  // these two with m_mutex held
  void Send(const Shown& wanted);

  const std::string m_appUri;
  const std::string m_objectPath;
  std::mutex m_mutex;
  std::shared_ptr<Bus> m_bus;
  bool m_triedBus = false;
  bool m_sendFailed = false;
  int m_perMille = 0;
  EnumTaskbarState m_state = EnumTaskbarState::NoProgress;
  Shown m_sent;  // a fresh entry shows nothing
};

}  // namespace cwplat
