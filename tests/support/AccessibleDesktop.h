// A private desktop for accessibility and desktop tests: an X server, a session bus and
// the accessibility bus, and the AT-SPI client's view of one application on
// it (a child process, so the client never waits on its own main loop).
#pragma once

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <atspi/atspi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace cwtest {

inline std::string ToolPath(const char* name) {
  gchar* path = g_find_program_in_path(name);
  std::string found = path != nullptr ? path : "";
  g_free(path);
  return found;
}

// The first line of a file that `accept` takes, waiting up to 10 s for it.
inline std::string AwaitLine(const std::string& file, const std::function<bool(const std::string&)>& accept) {
  std::string found;
  WaitUntil(10000, [&] {
    std::ifstream in(file);
    for (std::string line; found.empty() && std::getline(in, line);) {
      if (accept(line)) found = line;
    }
    return !found.empty();
  });
  return found;
}

// True when a local socket takes a connection.
inline bool Accepts(const std::string& socketPath) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) return false;
  socketPath.copy(address.sun_path, socketPath.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return false;
  const bool connected = connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(fd);
  return connected;
}

class AccessibleDesktop {
 public:
  static constexpr const char* kBusLauncher = "/usr/libexec/at-spi-bus-launcher";

  // Empty when a tool is missing; otherwise starts them all and points this
  // process's DISPLAY and session bus at them. The screen is "WxHxDepth".
  std::string Start(const std::string& screen = "640x480x24") {
    const std::string xvfb = ToolPath("Xvfb"), dbus = ToolPath("dbus-daemon");
    if (xvfb.empty() || dbus.empty() || !g_file_test(kBusLauncher, G_FILE_TEST_IS_EXECUTABLE)) {
      return "Xvfb, dbus-daemon or at-spi-bus-launcher is missing";
    }
    const std::string xlog = m_dir / "xvfb.log", blog = m_dir / "bus.log";
    // -noreset: an X server resets when its last client leaves, and a client
    // connecting during that reset is refused (the bus launcher's and our own
    // probe's short connections would do that).
    m_x = std::make_unique<ChildProcess>(
        xvfb, std::vector<std::string>{"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", screen},
        std::map<std::string, std::string>{}, xlog);
    const std::string display = AwaitLine(xlog, [](const std::string& l) {
      return !l.empty() && l.find_first_not_of("0123456789") == std::string::npos;
    });
    m_bus = std::make_unique<ChildProcess>(dbus, std::vector<std::string>{"--session", "--nofork", "--print-address=1"},
                                           std::map<std::string, std::string>{}, blog);
    const std::string address = AwaitLine(blog, [](const std::string& l) { return l.rfind("unix:", 0) == 0; });
    if (display.empty() || address.empty()) return "no X server or session bus";
    setenv("DISPLAY", (":" + display).c_str(), 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    // GTK's bridge stays off when either says so (another suite turns it off).
    unsetenv("NO_AT_BRIDGE");
    unsetenv("GTK_A11Y");
    unsetenv("AT_SPI_BUS_ADDRESS");
    m_launcher = std::make_unique<ChildProcess>(kBusLauncher, std::vector<std::string>{"--launch-immediately"},
                                                std::map<std::string, std::string>{}, m_dir / "launcher.log");
    // The first window must find the display answering, not merely announced.
    if (!WaitUntil(5000, [&display] { return Accepts("/tmp/.X11-unix/X" + display); })) {
      return "the X server does not answer";
    }
    return atspi_init() < 2 ? "" : "the AT-SPI client did not start";
  }

  ~AccessibleDesktop() {
    if (m_launcher) {  // lets it end the accessibility bus it started
      m_launcher->Kill(SIGTERM);
      m_launcher->Wait(3000);
    }
  }

  const TempDir& dir() const { return m_dir; }

 private:
  TempDir m_dir;
  std::unique_ptr<ChildProcess> m_x, m_bus, m_launcher;
};

// Runs the client's events while waiting for `done` (polled every 10 ms).
inline bool Pump(const std::function<bool()>& done, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// An AT-SPI object, unreferenced when it goes.
struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using Ref = std::unique_ptr<AtspiAccessible, Unref>;

inline std::string NameOf(AtspiAccessible* object) {
  gchar* name = atspi_accessible_get_name(object, nullptr);
  std::string result = name != nullptr ? name : "";
  g_free(name);
  return result;
}

// Depth first below root, at most 12 deep and 2000 objects, until `visit` says stop.
inline void WalkNodes(AtspiAccessible* root, const std::function<bool(AtspiAccessible*)>& visit) {
  int budget = 2000;
  std::function<bool(AtspiAccessible*, int)> walk = [&](AtspiAccessible* at, int depth) {
    const gint count = std::min(atspi_accessible_get_child_count(at, nullptr), 500);
    for (gint i = 0; i < count && --budget >= 0 && depth <= 12; ++i) {
      Ref child(atspi_accessible_get_child_at_index(at, i, nullptr));
      if (child && (visit(child.get()) || walk(child.get(), depth + 1))) return true;
    }
    return false;
  };
  walk(root, 0);
}

// The first node of that name and role (ATSPI_ROLE_INVALID: any role).
inline Ref FindNode(AtspiAccessible* root, const std::string& name, AtspiRole role = ATSPI_ROLE_INVALID) {
  Ref found;
  WalkNodes(root, [&](AtspiAccessible* node) {
    if (NameOf(node) != name || (role != ATSPI_ROLE_INVALID && atspi_accessible_get_role(node, nullptr) != role)) {
      return false;
    }
    found.reset(ATSPI_ACCESSIBLE(g_object_ref(node)));
    return true;
  });
  return found;
}

inline AtspiRect ExtentsOf(AtspiAccessible* node, AtspiCoordType type) {
  AtspiComponent* component = atspi_accessible_get_component_iface(node);
  AtspiRect* got = atspi_component_get_extents(component, type, nullptr);
  const AtspiRect rect = *got;
  g_free(got);
  g_object_unref(component);
  return rect;
}

// The desktop's application of a process, once it has registered.
inline Ref FindApplication(int pid) {
  Ref app;
  Pump([&] {
    Ref desktop(atspi_get_desktop(0));
    // The client library caches the desktop's children; a registration it
    // missed would keep the application out of the list for good.
    atspi_accessible_clear_cache(desktop.get());
    const gint count = std::min(atspi_accessible_get_child_count(desktop.get(), nullptr), 100);
    for (gint i = 0; i < count && !app; ++i) {
      Ref child(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
      if (child && static_cast<int>(atspi_accessible_get_process_id(child.get(), nullptr)) == pid) app = std::move(child);
    }
    return static_cast<bool>(app);
  }, 10000);
  return app;
}

inline bool HasState(AtspiAccessible* object, AtspiStateType state) {
  AtspiStateSet* set = atspi_accessible_get_state_set(object);
  const bool has = atspi_state_set_contains(set, state);
  g_object_unref(set);
  return has;
}

// Events of the given types, as "type|source name|detail1".
class EventLog {
 public:
  explicit EventLog(std::initializer_list<const char*> types) {
    m_listener = atspi_event_listener_new(&EventLog::Heard, this, nullptr);
    for (const char* type : types) atspi_event_listener_register(m_listener, type, nullptr);
  }
  ~EventLog() {
    atspi_event_listener_deregister_from_callback(&EventLog::Heard, this, nullptr, nullptr);
    g_object_unref(m_listener);
  }
  std::vector<std::string> events;

 private:
  static void Heard(AtspiEvent* event, void* self) {
    auto* log = static_cast<EventLog*>(self);
    if (log->events.size() < 10000) {
      log->events.push_back(std::string(event->type) + "|" + NameOf(event->source) + "|" +
                            std::to_string(event->detail1));
    }
    g_boxed_free(atspi_event_get_type(), event);
  }
  AtspiEventListener* m_listener = nullptr;
};

}  // namespace cwtest
