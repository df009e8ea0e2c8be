// The main window's side of the carousel: started with the install, moved on
// by its timer every seven seconds or by a dot the user picks.
#include "ui/InstallUIMainWnd.h"

#include <algorithm>

namespace ui {
namespace {

constexpr unsigned kSlideIntervalMs = 7000;
constexpr int kPictureWidth = 650, kPictureHeight = 300;

}  // namespace

void InstallUIMainWnd::startCarousel() {
  const cwui::Control* area = find("image_play");
  if (area == nullptr) return;
  const AnimaLook look{m_language.load(), m_configure->getSoftwareId(), m_host->scale()};
  m_anima = std::make_unique<CAnima>(*m_window, m_loop, area->rect, 1, m_frameCount, kPictureWidth, kPictureHeight,
                                     look);
  m_anima->HorizontalMoveAnimaInit("", "");
  m_animaIndex = 1;
  if (!m_dots.empty()) m_window->select(*m_dots[0], true);
  if (cwui::Control* picture = find("image_play")) m_window->setAttribute(*picture, "bkimage", "FirstFrame");
  if (m_frameCount >= 2) setTimer(kCarousel, kSlideIntervalMs);
}

void InstallUIMainWnd::onDotSelected(const cwui::Control& dot) {
  const auto it = std::find(m_dots.begin(), m_dots.end(), &dot);
  const int index = static_cast<int>(it - m_dots.begin()) + 1;
  if (it == m_dots.end() || index > 10 || !dot.selected || !m_anima) return;
  setTimer(kCarousel, kSlideIntervalMs);
  m_anima->move(m_animaIndex, index);
  m_animaIndex = index;
}

}  // namespace ui
