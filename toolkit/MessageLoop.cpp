#include "toolkit/MessageLoop.h"

#include <glib.h>

namespace cwui {

struct MessageLoop::Timer {
  MessageLoop* loop;
  std::pair<const void*, int> key;
  std::function<void()> callback;
  unsigned source = 0;
};

MessageLoop::MessageLoop() = default;

MessageLoop::~MessageLoop() {
  for (auto& [key, timer] : m_timers) g_source_remove(timer->source);
  m_timers.clear();
  std::lock_guard<std::mutex> lock(m_postMutex);
  if (m_dispatchScheduled) g_source_remove(m_postSource);
  m_posted.clear();
}

void MessageLoop::post(std::function<void()> message) {
  std::lock_guard<std::mutex> lock(m_postMutex);
  m_posted.push_back(std::move(message));
  if (!m_dispatchScheduled) {
    m_dispatchScheduled = true;
    // g_idle_add attaches to the default context and wakes it from any thread.
    m_postSource = g_idle_add_full(G_PRIORITY_DEFAULT, &MessageLoop::DispatchPosted, this, nullptr);
  }
}

// One message per dispatch, and a fresh source for the rest before it runs:
// a message that runs a modal loop still has the next ones delivered inside
// it (GLib does not dispatch a source again while it is being dispatched).
int MessageLoop::DispatchPosted(void* self) {
  auto* loop = static_cast<MessageLoop*>(self);
  std::function<void()> message;
  {
    std::lock_guard<std::mutex> lock(loop->m_postMutex);
    if (loop->m_posted.empty()) {
      loop->m_dispatchScheduled = false;
      return G_SOURCE_REMOVE;
    }
    message = std::move(loop->m_posted.front());
    loop->m_posted.pop_front();
    if (loop->m_posted.empty()) {
      loop->m_dispatchScheduled = false;
    } else {
      loop->m_postSource = g_idle_add_full(G_PRIORITY_DEFAULT, &MessageLoop::DispatchPosted, loop, nullptr);
    }
  }
  message();
  return G_SOURCE_REMOVE;
}

void MessageLoop::setTimer(const void* owner, int id, unsigned intervalMs, std::function<void()> callback) {
  killTimer(owner, id);
  auto timer = std::make_shared<Timer>();
  timer->loop = this;
  timer->key = {owner, id};
  timer->callback = std::move(callback);
  timer->source = g_timeout_add_full(G_PRIORITY_DEFAULT, intervalMs, &MessageLoop::DispatchTimer, timer.get(), nullptr);
  m_timers[timer->key] = std::move(timer);
}

int MessageLoop::DispatchTimer(void* data) {
  auto* timer = static_cast<Timer*>(data);
  MessageLoop* loop = timer->loop;
  const auto key = timer->key;
  // The callback may kill or replace this timer: keep it alive through the call.
  const std::shared_ptr<Timer> keep = loop->m_timers.at(key);
  keep->callback();
  const auto it = loop->m_timers.find(key);
  const bool stillThis = it != loop->m_timers.end() && it->second == keep;
  return stillThis ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void MessageLoop::killTimer(const void* owner, int id) {
  const auto it = m_timers.find({owner, id});
  if (it == m_timers.end()) return;
  // A timer killed from its own callback is removed when the callback returns.
  GSource* source = g_main_context_find_source_by_id(nullptr, it->second->source);
  if (source != nullptr && !g_source_is_destroyed(source) && g_main_current_source() != source) {
    g_source_destroy(source);
  }
  m_timers.erase(it);
}

void MessageLoop::killTimers(const void* owner) {
  std::vector<int> ids;
  for (const auto& [key, timer] : m_timers) {
    if (key.first == owner) ids.push_back(key.second);
  }
  for (int id : ids) killTimer(owner, id);
}

bool MessageLoop::hasTimer(const void* owner, int id) const { return m_timers.count({owner, id}) != 0; }

int MessageLoop::run() {
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  m_levels.push_back({loop, 0});
  g_main_loop_run(loop);
  const int code = m_levels.back().code;
  m_levels.pop_back();
  g_main_loop_unref(loop);
  return code;
}

void MessageLoop::quit(int code) {
  if (m_levels.empty()) return;
  m_levels.back().code = code;
  g_main_loop_quit(m_levels.back().loop);
}

}  // namespace cwui
