#include "platform/taskbar_progress.h"

#include "platform/log.h"

#include <gio/gio.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace cwplat {
namespace {

constexpr const char* kInterface = "com.canonical.Unity.LauncherEntry";
constexpr const char* kObjectPrefix = "/com/canonical/unity/launcherentry/";
constexpr std::size_t kMaxIdBytes = 255;
constexpr std::size_t kMaxAddressBytes = 4096;
// A bus socket that accepts but never answers (a stopped daemon) must not
// hold up the window; a live local bus answers in milliseconds.
constexpr guint kConnectTimeoutMs = 2000;

// The desktop-file id without ".desktop", or "" when it is not one.
std::string DesktopFileId(std::string id) {
  constexpr std::string_view kSuffix = ".desktop";
  if (id.ends_with(kSuffix)) id.resize(id.size() - kSuffix.size());
  if (id.empty() || id.size() > kMaxIdBytes) return {};
  for (const char c : id) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (!ok) return {};
  }
  return id;
}

std::string AppUriFor(const std::string& id) { return id.empty() ? std::string() : "application://" + id + ".desktop"; }

// One object path per entry, a number from the URI (FNV-1a), stable across runs.
std::string ObjectPathFor(const std::string& uri) {
  std::uint32_t hash = 2166136261u;
  for (const char c : uri) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  return kObjectPrefix + std::to_string(hash);
}

// Exact and rounded down, so the bar is full only when the work is done.
int PerMille(std::uint64_t completed, std::uint64_t total) {
  __extension__ typedef unsigned __int128 Wide;  // completed * 1000 needs more than 64 bits
  if (total == 0) return 0;
  if (completed >= total) return 1000;
  return static_cast<int>(static_cast<Wide>(completed) * 1000 / total);
}

// The session bus as the environment names it. Unlike GIO's own lookup this
// never autolaunches a bus through X11: no dock listens on a bus we started.
std::string SessionBusAddress() {
  if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address != nullptr && *address != '\0') {
    return address;
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime == nullptr || runtime[0] != '/') return {};
  const std::string socket = std::string(runtime) + "/bus";
  std::error_code ec;
  if (!std::filesystem::is_socket(socket, ec)) return {};
  gchar* escaped = g_dbus_address_escape_value(socket.c_str());
  std::string address = std::string("unix:path=") + escaped;
  g_free(escaped);
  return address;
}

struct ConnectWait {
  GDBusConnection* connection = nullptr;
  std::string error;
  bool done = false;
};

void OnConnected(GObject*, GAsyncResult* result, gpointer data) {
  auto* wait = static_cast<ConnectWait*>(data);
  GError* error = nullptr;
  wait->connection = g_dbus_connection_new_for_address_finish(result, &error);
  if (error != nullptr) {
    wait->error = error->message;
    g_error_free(error);
  }
  wait->done = true;
}

gboolean CancelConnect(gpointer cancellable) {
  g_cancellable_cancel(G_CANCELLABLE(cancellable));
  return G_SOURCE_REMOVE;
}

// Connects and says hello, giving up after kConnectTimeoutMs. The wait runs a
// private main context, so the caller's loop (GTK's) dispatches nothing here.
GDBusConnection* ConnectWithin(const std::string& address, std::string* why) {
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  GCancellable* cancellable = g_cancellable_new();
  GSource* timer = g_timeout_source_new(kConnectTimeoutMs);
  g_source_set_callback(timer, CancelConnect, cancellable, nullptr);
  g_source_attach(timer, context);
  ConnectWait wait;
  const auto flags = static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                       G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION);
  g_dbus_connection_new_for_address(address.c_str(), flags, nullptr, cancellable, OnConnected, &wait);
  while (!wait.done) g_main_context_iteration(context, TRUE);
  g_source_destroy(timer);
  g_source_unref(timer);
  g_object_unref(cancellable);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  *why = wait.error;
  return wait.connection;
}

// Checked before connecting: GIO would try any text it is given.
bool UsableAddress(const std::string& address, std::string* why) {
  if (address.empty()) {
    *why = "DBUS_SESSION_BUS_ADDRESS unset and no $XDG_RUNTIME_DIR/bus";
    return false;
  }
  if (address.size() > kMaxAddressBytes) {
    *why = "address over 4096 bytes";
    return false;
  }
  GError* error = nullptr;
  if (g_dbus_is_supported_address(address.c_str(), &error)) return true;
  *why = error->message;
  g_error_free(error);
  return false;
}

}  // namespace

struct CTaskbarProgress::Bus {
  explicit Bus(GDBusConnection* c) : connection(c) {}
  ~Bus() { g_object_unref(connection); }
  Bus(const Bus&) = delete;
  Bus& operator=(const Bus&) = delete;
  GDBusConnection* const connection;
};

std::shared_ptr<CTaskbarProgress::Bus> CTaskbarProgress::SharedBus() {
  // One slot: the last address tried and what came of it. A failure is final
  // for that address; a connection the bus closed since is made anew.
  struct Slot {
    std::mutex mutex;
    bool tried = false;
    std::string address;
    std::shared_ptr<Bus> bus;
  };
  static Slot slot;
  const std::string address = SessionBusAddress();
  std::lock_guard lock(slot.mutex);
  if (slot.tried && slot.address == address && (!slot.bus || !g_dbus_connection_is_closed(slot.bus->connection))) {
    return slot.bus;
  }
  slot.tried = true;
  slot.address = address;
  slot.bus.reset();
  std::string why;
  GDBusConnection* connection = UsableAddress(address, &why) ? ConnectWithin(address, &why) : nullptr;
  if (connection == nullptr) {
    CWLOG << " No session bus (" << why << "): no progress on the taskbar";
    return nullptr;
  }
  slot.bus = std::make_shared<Bus>(connection);
  return slot.bus;
}

CTaskbarProgress::CTaskbarProgress(std::string desktopFileId)
    : m_appUri(AppUriFor(DesktopFileId(std::move(desktopFileId)))), m_objectPath(ObjectPathFor(m_appUri)) {
  if (m_appUri.empty()) CWLOG << " Not a desktop-file id: no progress on the taskbar";
}

CTaskbarProgress::~CTaskbarProgress() {
  std::lock_guard lock(m_mutex);
  Send({m_perMille, false, false});
}

bool CTaskbarProgress::HrInit() {
  std::lock_guard lock(m_mutex);
  return EnsureConnected();
}

void CTaskbarProgress::SetProgressValue(std::uint64_t completed, std::uint64_t total) {
  std::lock_guard lock(m_mutex);
  m_perMille = PerMille(completed, total);
  if (m_state == EnumTaskbarState::NoProgress || m_state == EnumTaskbarState::Indeterminate) {
    m_state = EnumTaskbarState::Normal;
  }
  Send({m_perMille, true, m_state == EnumTaskbarState::Error});
}

void CTaskbarProgress::SetProgressState(EnumTaskbarState state) {
  std::lock_guard lock(m_mutex);
  m_state = state;
  Send({m_perMille, state != EnumTaskbarState::NoProgress, state == EnumTaskbarState::Error});
}

bool CTaskbarProgress::EnsureConnected() {
  if (!m_triedBus && !m_appUri.empty()) m_bus = SharedBus();
  m_triedBus = true;
  return m_bus != nullptr;
}

void CTaskbarProgress::Send(const Shown& wanted) {
  if (wanted == m_sent || !EnsureConnected()) return;
  m_sent = wanted;
  GVariantBuilder properties;
  g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&properties, "{sv}", "progress", g_variant_new_double(wanted.perMille / 1000.0));
  g_variant_builder_add(&properties, "{sv}", "progress-visible", g_variant_new_boolean(wanted.visible));
  g_variant_builder_add(&properties, "{sv}", "urgent", g_variant_new_boolean(wanted.urgent));
  // A signal has no reply: this only queues the message for GDBus's own thread.
  GError* error = nullptr;
  if (!g_dbus_connection_emit_signal(m_bus->connection, nullptr, m_objectPath.c_str(), kInterface, "Update",
                                     g_variant_new("(sa{sv})", m_appUri.c_str(), &properties), &error)) {
    if (!m_sendFailed) CWLOG << " Launcher entry not sent: " << error->message;
    m_sendFailed = true;
    g_error_free(error);
  }
}

}  // namespace cwplat
