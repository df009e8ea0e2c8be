// The desktop host: a window of GTK 3 drawn entirely by the paint pass, with
// no decorations of its own. Pointer, wheel and keys go to the Window; a
// press in the caption band off the controls lets the window manager move
// it; a real GtkEntry sits over the focused edit so selection, the clipboard
// and input methods are GTK's. Transparent or rounded skins get an RGBA
// window under a compositor and a shaped opaque one without: rounded to
// roundcorner, or a transparent skin cut to where its first paint is opaque.
#pragma once

#include "toolkit/Host.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

typedef struct _GtkWidget GtkWidget;
typedef struct _GtkWindow GtkWindow;
typedef struct _GtkIMContext GtkIMContext;
typedef struct _cairo cairo_t;
typedef union _GdkEvent GdkEvent;

namespace cwui {

class AccessibleTree;

class GtkHost : public Host {
 public:
  // Opens the display once; false when there is none (the program then runs
  // without a window). Later calls return the first answer.
  static bool Init();

  GtkHost(Window& window, MessageLoop& loop);
  ~GtkHost() override;

  void show() override;
  void hide() override;
  void invalidate(const Rect& rect) override;
  void minimize() override;
  void raise() override;
  int scale() const override;

  // In the middle of the screen (now, and when next shown).
  void centre() override;
  void setTitle(const std::string& title);
  // Called once, after the window's first frame is painted.
  void setFirstPaint(std::function<void()> onFirstPaint) { m_firstPaint = std::move(onFirstPaint); }
  // The window manager's close button or Alt+F4; by default close(0).
  void setCloseRequest(std::function<void()> onClose) { m_closeRequest = std::move(onClose); }

  GtkWindow* gtkWindow() const;

  // GTK's folder chooser over `parent` (may be null); nothing when cancelled.
  // Timers and posted messages keep arriving while it is open.
  static std::optional<std::string> ChooseFolder(GtkHost* parent, const std::string& title);
  // A plain message box: no parent, no title, the text and an OK button;
  // returns once it is dismissed. Any thread, after Init: off GTK's thread the box is
  // handed to GTK's main loop, which must be running (a modal window's loop
  // is), and keeps running while the caller waits.
  static void ShowPlainMessage(const std::string& text);
  // The primary monitor's size in device pixels and its scale factor (GTK's
  // thread, after Init); 0 x 0 and 1 when there is no monitor.
  static double ScreenInfo(int& width, int& height);

 protected:
  void setSensitive(bool sensitive) override;
  void resized() override;

 private:
  struct Signals;

  void applyVisual();
  void paint(cairo_t* cr);
  bool pointerEvent(GdkEvent* event);
  bool keyEvent(GdkEvent* event);
  bool startsDrag(int x, int y);
  // Puts the entry over the focused edit, or hides it; run when idle after
  // anything that may move focus or change the edit.
  void scheduleEntrySync();
  void syncEntry();
  bool entryFocused() const;
  void configureEntry(Control& edit);
  void showsEntry(Control* edit, bool shown);
  void entryChanged();

  std::unique_ptr<AccessibleTree> m_accessible;  // the drawing area and what screen readers see of it
  GtkWidget* m_window = nullptr;
  GtkWidget* m_fixed = nullptr;
  GtkWidget* m_area = nullptr;
  GtkWidget* m_entry = nullptr;
  GtkIMContext* m_im = nullptr;
  bool m_rgba = false;        // the window has an alpha channel (composited)
  bool m_sensitive = true;
  bool m_syncingEntry = false;
  unsigned m_entrySyncSource = 0;
  Control* m_entryFor = nullptr;
  std::function<void()> m_firstPaint;
  std::function<void()> m_closeRequest;
};

}  // namespace cwui
