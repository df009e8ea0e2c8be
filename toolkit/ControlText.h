// A control's text as a pango layout: its font, colours, padding, alignment,
// wrapping and ellipsis, and the markup when it shows any. The painter draws
// it and the window hit-tests links in it, so both see the same lines.
#pragma once

#include "toolkit/Markup.h"
#include "toolkit/Window.h"

#include <memory>

typedef struct _PangoLayout PangoLayout;

namespace cwui {

class ControlText {
 public:
  // The layout for the control's text in its current state (hot, pushed,
  // selected, disabled colours; the link under the pointer in hover colour).
  ControlText(const Window& window, const Control& control, int hoverLink = -1);
  ~ControlText();
  ControlText(const ControlText&) = delete;
  ControlText& operator=(const ControlText&) = delete;

  PangoLayout* layout() const { return m_layout; }
  const MarkupText& markup() const { return m_markup; }
  // Where the layout's top-left sits, window pixels.
  int x() const { return m_x; }
  int y() const { return m_y; }
  // The link at (x, y) in window pixels, -1 when none.
  int linkAt(int x, int y) const;

 private:
  PangoLayout* m_layout = nullptr;
  MarkupText m_markup;
  int m_x = 0, m_y = 0;
};

}  // namespace cwui
