#include "platform/process_spawn.h"
#include "platform/taskbar_progress.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

namespace {

using cwplat::CTaskbarProgress;
using cwplat::EnumTaskbarState;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Update {
  std::string path, uri;
  double progress = -1;
  std::string text;  // "0.42 shown urgent"
};

// A dbus-daemon of this test at `socket`, the environment pointing at it, and
// a GDBus connection of the test that records every launcher-entry Update.
class PrivateBus {
 public:
  explicit PrivateBus(const std::string& socket)
      : m_address("unix:path=" + socket),
        m_env("DBUS_SESSION_BUS_ADDRESS", m_address),
        m_context(g_main_context_new()) {
    const std::string daemon = cwplat::FindExecutableOnPath("dbus-daemon");
    if (daemon.empty()) return;
    m_daemon = std::make_unique<cwtest::ChildProcess>(
        daemon, std::vector<std::string>{"--session", "--nofork", "--address=" + m_address},
        std::map<std::string, std::string>{});
    cwtest::WaitUntil(5000, [&] {
      m_conn =
          g_dbus_connection_new_for_address_sync(m_address.c_str(),
                                                 GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                      G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                                 nullptr, nullptr, nullptr);
      return m_conn != nullptr;
    });
    if (m_conn == nullptr) return;
    g_main_context_push_thread_default(m_context);  // where the subscription's callbacks run
    m_subscription =
        g_dbus_connection_signal_subscribe(m_conn, nullptr, "com.canonical.Unity.LauncherEntry", "Update", nullptr,
                                           nullptr, G_DBUS_SIGNAL_FLAGS_NONE, OnUpdate, this, nullptr);
    // A round trip, so the bus has the match rule before anyone emits.
    GVariant* id =
        g_dbus_connection_call_sync(m_conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                    "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
    if (id != nullptr) g_variant_unref(id);
  }
  ~PrivateBus() {
    if (m_conn != nullptr) {
      g_dbus_connection_signal_unsubscribe(m_conn, m_subscription);
      g_object_unref(m_conn);
      g_main_context_pop_thread_default(m_context);
    }
    g_main_context_unref(m_context);
  }

  bool ready() const { return m_conn != nullptr; }
  void StopDaemon() {
    m_daemon->Kill(SIGKILL);
    m_daemon->Wait(5000);
  }

  // The updates for uri once `done` holds for them (or after 5 s).
  std::vector<Update> Until(const std::string& uri, const std::function<bool(const std::vector<Update>&)>& done) {
    std::vector<Update> found;
    cwtest::WaitUntil(5000, [&] {
      while (g_main_context_iteration(m_context, FALSE)) {
      }
      found.clear();
      for (const Update& u : m_updates) {
        if (u.uri == uri) found.push_back(u);
      }
      return done(found);
    });
    return found;
  }
  std::vector<Update> For(const std::string& uri, std::size_t count) {
    return Until(uri, [count](const std::vector<Update>& found) { return found.size() >= count; });
  }

 private:
  static void OnUpdate(GDBusConnection*, const char*, const char* path, const char*, const char*, GVariant* params,
                       gpointer self) {
    Update u{path, "", -1, ""};
    const char* uri = nullptr;
    GVariant* props = nullptr;
    g_variant_get(params, "(&s@a{sv})", &uri, &props);
    u.uri = uri;
    gboolean visible = false, urgent = false;
    const bool complete = g_variant_lookup(props, "progress", "d", &u.progress) &&
                          g_variant_lookup(props, "progress-visible", "b", &visible) &&
                          g_variant_lookup(props, "urgent", "b", &urgent);
    std::ostringstream text;
    text << u.progress << (visible ? " shown" : " hidden") << (urgent ? " urgent" : "") << (complete ? "" : " ?");
    u.text = text.str();
    g_variant_unref(props);
    static_cast<PrivateBus*>(self)->m_updates.push_back(u);
  }

  std::string m_address;
  cwtest::ScopedEnv m_env;
  GMainContext* m_context;
  std::unique_ptr<cwtest::ChildProcess> m_daemon;
  GDBusConnection* m_conn = nullptr;
  guint m_subscription = 0;
  std::vector<Update> m_updates;
};

#define REQUIRE_BUS(bus)                                                   \
  if (!(bus).ready()) {                                                    \
    CW_SKIP_WITHOUT_TOOL("dbus-daemon is not installed or did not start"); \
  }

// One call: a state, or a value of done out of total.
struct Step {
  std::optional<EnumTaskbarState> state;
  std::uint64_t done = 0, total = 0;
};
Step V(std::uint64_t done, std::uint64_t total) { return {std::nullopt, done, total}; }
Step S(EnumTaskbarState state) { return {state}; }
constexpr auto kNone = EnumTaskbarState::NoProgress;
constexpr auto kNormal = EnumTaskbarState::Normal;
constexpr auto kError = EnumTaskbarState::Error;

TEST(TaskbarProgress, SendsWhatChangedAndOnlyThat) {
  struct Case {
    const char* name;
    std::vector<Step> steps;  // the object ends after them, hiding what it showed
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"a value shows", {V(42, 100)}, {"0.42 shown", "0.42 hidden"}},
      {"NoProgress hides; a value shows again",
       {S(kNone), V(42, 100), S(kNone), V(5, 10), S(kNone)},
       {"0.42 shown", "0.42 hidden", "0.5 shown", "0.5 hidden"}},
      {"Error is urgent through values until Normal",
       {S(kError), V(60, 100), S(kNormal)},
       {"0 shown urgent", "0.6 shown urgent", "0.6 shown", "0.6 hidden"}},
      {"the same look is not sent again; Indeterminate and Paused are Normal",
       {S(EnumTaskbarState::Indeterminate), V(42, 100), V(42, 100), V(420, 1000), S(kNormal),
        S(EnumTaskbarState::Indeterminate), S(EnumTaskbarState::Paused), V(43, 100)},
       {"0 shown", "0.42 shown", "0.43 shown", "0.43 hidden"}},
      {"steps of 1/1000, rounded down, bounded",
       {V(1, 3000000), V(2, 3000000), V(2, 3), V(2999999, 3000000), V(150, 100), V(7, 0),
        V(UINT64_MAX - 1, UINT64_MAX)},
       {"0 shown", "0.666 shown", "0.999 shown", "1 shown", "0 shown", "0.999 shown", "0.999 hidden"}},
  };
  cwtest::TempDir dir;
  PrivateBus bus(dir / "bus");
  REQUIRE_BUS(bus);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const std::string id = "case-" + std::to_string(i);
    {
      CTaskbarProgress taskbar(id);
      ASSERT_TRUE(taskbar.HrInit()) << cases[i].name;
      for (const Step& step : cases[i].steps) {
        step.state ? taskbar.SetProgressState(*step.state) : taskbar.SetProgressValue(step.done, step.total);
      }
    }
    std::vector<std::string> got;
    for (const Update& u : bus.For("application://" + id + ".desktop", cases[i].want.size())) got.push_back(u.text);
    EXPECT_EQ(got, cases[i].want) << cases[i].name;
  }
}

TEST(TaskbarProgress, SignalNamesTheDesktopFile) {
  cwtest::TempDir dir;
  PrivateBus bus(dir / "bus");
  REQUIRE_BUS(bus);
  CTaskbarProgress fallback;
  CTaskbarProgress named("org.example.Installer.desktop");
  EXPECT_EQ(fallback.AppUri(), "application://cw-installer.desktop");
  EXPECT_EQ(named.AppUri(), "application://org.example.Installer.desktop");
  fallback.SetProgressValue(42, 100);
  const std::vector<Update> got = bus.For(fallback.AppUri(), 1);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].progress, 0.42);
  const std::string prefix = "/com/canonical/unity/launcherentry/";
  ASSERT_TRUE(got[0].path.starts_with(prefix)) << got[0].path;
  EXPECT_EQ(got[0].path.find_first_not_of("0123456789", prefix.size()), std::string::npos) << got[0].path;

  for (const std::string& bad :
       std::vector<std::string>{"", ".desktop", "a/b", "two words", "caf\xc3\xa9", std::string(256, 'a')}) {
    CTaskbarProgress refused(bad);
    EXPECT_EQ(refused.AppUri(), "") << bad;
    EXPECT_FALSE(refused.HrInit()) << bad;
  }
  EXPECT_TRUE(CTaskbarProgress(std::string(255, 'a')).HrInit());
}

TEST(TaskbarProgress, TwoThreadsNeverSendTheSameLookTwiceInARow) {
  cwtest::TempDir dir;
  PrivateBus bus(dir / "bus");
  REQUIRE_BUS(bus);
  {
    CTaskbarProgress taskbar("threads");
    auto run = [&](std::uint64_t offset) {
      for (std::uint64_t n = 0; n < 400; ++n) taskbar.SetProgressValue((n + offset) / 2, 200);
    };
    std::thread other(run, 1);
    run(0);
    other.join();
  }
  const std::vector<Update> got = bus.Until("application://threads.desktop", [](const std::vector<Update>& found) {
    return !found.empty() && found.back().text.ends_with("hidden");
  });
  ASSERT_GE(got.size(), 2u);
  EXPECT_TRUE(got.back().text.ends_with("hidden"));
  EXPECT_LE(got.size(), 802u);  // at most every distinct call, and the end
  for (std::size_t i = 1; i < got.size(); ++i) EXPECT_NE(got[i].text, got[i - 1].text) << i;
}

// Binds a socket that never accepts: a bus that does not answer.
int SilentSocket(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd >= 0 && (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 4) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(TaskbarProgress, WithoutABusEveryCallIsAQuickNoOp) {
  cwtest::TempDir dir;
  const int silent = SilentSocket(dir / "silent");
  ASSERT_GE(silent, 0);
  struct Case {
    std::optional<std::string> address, runtime;
    long long maxInitMs;
  };
  const Case cases[] = {
      {"unix:path=" + (dir / "nothing"), std::nullopt, 200},
      {"not an address", std::nullopt, 200},
      {std::nullopt, dir.path(), 200},  // no bus socket in the runtime folder
      {std::nullopt, std::nullopt, 200},
      {"unix:path=" + (dir / "silent"), std::nullopt, 3500},  // given up after 2 s
  };
  cwtest::ScopedEnv display("DISPLAY", std::nullopt), wayland("WAYLAND_DISPLAY", std::nullopt);
  for (const Case& c : cases) {
    cwtest::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", c.address), runtime("XDG_RUNTIME_DIR", c.runtime);
    const std::string name = c.address.value_or("runtime " + c.runtime.value_or("unset"));
    auto start = Clock::now();
    CTaskbarProgress taskbar;
    EXPECT_FALSE(taskbar.HrInit()) << name;
    EXPECT_LT(MsSince(start), c.maxInitMs) << name;
    start = Clock::now();
    CTaskbarProgress again;  // the failure is remembered, not tried again
    for (std::uint64_t n = 0; n < 1000; ++n) {
      again.SetProgressValue(n, 1000);
      again.SetProgressState(n % 2 ? kError : kNone);
    }
    EXPECT_LT(MsSince(start), 200) << name;
  }
  close(silent);
}

TEST(TaskbarProgress, AFailedAddressIsNotTriedAgain) {
  cwtest::TempDir dir;
  {
    cwtest::ScopedEnv address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (dir / "bus"));
    EXPECT_FALSE(CTaskbarProgress().HrInit());
  }
  PrivateBus bus(dir / "bus");  // a bus at that address now
  REQUIRE_BUS(bus);
  EXPECT_FALSE(CTaskbarProgress().HrInit());
  cwtest::ScopedEnv other("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.path() + "/./bus");
  EXPECT_TRUE(CTaskbarProgress().HrInit());
}

TEST(TaskbarProgress, ABusThatGoesAwayEndsNothing) {
  cwtest::TempDir dir;
  PrivateBus bus(dir / "bus");
  REQUIRE_BUS(bus);
  CTaskbarProgress taskbar;
  ASSERT_TRUE(taskbar.HrInit());
  taskbar.SetProgressValue(1, 100);
  ASSERT_EQ(bus.For(taskbar.AppUri(), 1).size(), 1u);
  bus.StopDaemon();
  const auto start = Clock::now();
  for (std::uint64_t n = 2; n < 100; ++n) taskbar.SetProgressValue(n, 100);
  EXPECT_LT(MsSince(start), 200);
  EXPECT_TRUE(cwtest::WaitUntil(2000, [] { return !CTaskbarProgress().HrInit(); }));  // reconnect fails, quietly
}

}  // namespace
