// What shows a window: the GTK host on a desktop, the offscreen host for
// pictures, the headless host without a display. The window's behaviour
// (Window) is the same in each; a host shows it, repaints what it marks
// dirty, and ends it with a result code. Modal runs and the Escape rule live
// here, once for every host.
#pragma once

#include "toolkit/MessageLoop.h"
#include "toolkit/SkinValues.h"
#include "toolkit/Window.h"

namespace cwui {

class Host {
 public:
  Host(Window& window, MessageLoop& loop);
  virtual ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  Window& window() { return m_window; }
  MessageLoop& loop() { return m_loop; }

  virtual void show() = 0;
  virtual void hide() = 0;
  // Marks a rectangle (window pixels) to be painted again.
  virtual void invalidate(const Rect& rect) = 0;
  virtual void minimize() = 0;
  // Brings a shown window to the front (a second copy asks the first).
  virtual void raise() = 0;
  // Device pixels per window pixel (1 or 2).
  virtual int scale() const = 0;
  // In the middle of the screen, where the host has one.
  virtual void centre() {}
  // A new size of the window (window pixels): the skin's size, the layout
  // and the host's own window follow.
  void resize(int width, int height);

  // Shows the window and runs a nested loop until close(); returns close's
  // code. The parent (may be null) takes no input meanwhile; timers and
  // posted messages keep arriving.
  int runModal(Host* parent);
  // Ends the window with a result: hidden, a modal run returns the code, and
  // the main window's close ends the loop's current run with it.
  void close(int code);
  bool closed() const { return m_closed; }
  int result() const { return m_result; }
  bool modal() const { return m_modal; }

  // The main window: its close ends the run the program started.
  void setMain(bool main) { m_main = main; }
  // What Escape closes a modal window with (the "no" / close answer).
  void setEscapeResult(int code) { m_escapeResult = code; }

  // Keys from the display: Escape closes a modal window, the rest go to the window.
  void key(Key key, bool shift = false);

 protected:
  // The parent of a modal run takes no input while it lasts.
  virtual void setSensitive(bool sensitive) = 0;
  // The skin's size changed: the host's window (or picture) takes it.
  virtual void resized() {}

 private:
  Window& m_window;
  MessageLoop& m_loop;
  bool m_closed = false, m_modal = false, m_main = false;
  int m_result = 0;
  int m_escapeResult = 0;
};

}  // namespace cwui
