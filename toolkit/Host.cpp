#include "toolkit/Host.h"

namespace cwui {

Host::Host(Window& window, MessageLoop& loop) : m_window(window), m_loop(loop) {
  m_window.setInvalidator([this](const Rect& rect) { invalidate(rect); });
}

Host::~Host() { m_window.setInvalidator({}); }

int Host::runModal(Host* parent) {
  m_closed = false;
  m_modal = true;
  if (parent != nullptr) parent->setSensitive(false);
  show();
  const int code = m_loop.run();
  m_modal = false;
  // The parent first, so it is the active window again when this one goes.
  if (parent != nullptr) {
    parent->setSensitive(true);
    parent->raise();
  }
  return code;
}

void Host::close(int code) {
  if (m_closed) return;
  m_closed = true;
  m_result = code;
  hide();
  if (m_modal || m_main) m_loop.quit(code);
}

void Host::key(Key key, bool shift) {
  if (key == Key::Escape && m_modal) {
    close(m_escapeResult);
    return;
  }
  m_window.keyPress(key, shift);
}

void Host::resize(int width, int height) {
  Skin& skin = m_window.skin();
  if (skin.size.cx == width && skin.size.cy == height) return;
  skin.size = {width, height};
  m_window.layout();
  resized();
  m_window.invalidate();
}

}  // namespace cwui
