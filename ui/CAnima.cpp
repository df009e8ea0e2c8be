#include "ui/CAnima.h"

#include "platform/log.h"
#include "ui/LanguageTable.h"

#include <algorithm>
#include <cstdio>

namespace ui {
namespace {

// Caption labels are looked for up to this number; the skin has ten.
constexpr int kMaxCaptionLabels = 99;
constexpr std::uint32_t kCaptionColour = 0x4A4A4A;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kWhiteCaptionSoftware = 10;

std::string ShippedPicture(int k) { return "skin\\anima\\" + std::to_string(k) + ".png"; }

std::string FirstLineBreak(std::string text) {
  if (const std::size_t at = text.find("{n}"); at != std::string::npos) text.replace(at, 3, "\n");
  return text;
}

}  // namespace

CAnima::CAnima(cwui::Window& window, cwui::MessageLoop& loop, const cwui::Rect& area, int enabled, int frameCount,
               int width, int height, AnimaLook look)
    : m_window(window),
      m_loop(loop),
      m_area(area),
      m_enabled(enabled),
      m_frameCount(std::clamp(frameCount, 0, kMaxFrames)),
      m_width(std::clamp(width, 1, 4096)),
      m_height(std::clamp(height, 1, 4096)),
      m_look(look) {
  m_look.scale = std::clamp(m_look.scale, 1, 2);
}

CAnima::~CAnima() { m_loop.killTimers(this); }

std::string CAnima::MergedName(int first, int second) {
  char name[32];
  std::snprintf(name, sizeof name, "Merge%02d%02d.png", first, second);
  return name;
}

std::string CAnima::StepName(int first, int second, int n, int width, int height) {
  const int x = width / kSteps * n;
  char source[64];
  std::snprintf(source, sizeof source, "' source='%d,0,%d,%d'", x, x + width, height);
  return "file='" + MergedName(first, second) + source;
}

void CAnima::HorizontalMoveAnimaInit(const std::string& prefix, const std::string& suffix) {
  CWLOG << " AnimaInit: " << prefix << ", " << suffix;
  finish();
  m_captions.clear();
  m_extraCaptions.clear();
  if (prefix.empty()) loadCaptions();
  m_pairs.clear();

  std::vector<std::shared_ptr<const cwui::Image>> pictures;
  for (int k = 1; k <= m_frameCount; ++k) pictures.push_back(picture(prefix, suffix, k));
  cwui::ImageCache& images = m_window.images();
  if (!pictures.empty() && pictures[0] != nullptr) {
    cwui::ImageCanvas first(m_width, m_height, m_look.scale);
    drawCaptioned(first, *pictures[0], 1, 0);
    first.registerIn(images, "FirstFrame");
  }
  for (int i = 1; i <= m_frameCount; ++i) {
    for (int j = i + 1; j <= m_frameCount; ++j) {
      if (pictures[i - 1] == nullptr || pictures[j - 1] == nullptr) continue;
      cwui::ImageCanvas merged(2 * m_width, m_height, m_look.scale);
      drawCaptioned(merged, *pictures[i - 1], i, 0);
      drawCaptioned(merged, *pictures[j - 1], j, m_width);
      if (merged.registerIn(images, MergedName(i, j))) m_pairs.insert({i, j});
    }
  }
  showCurrent();
  CWLOG << " AnimaInit ok: ";
}

void CAnima::loadCaptions() {
  for (int k = 1; k <= kMaxCaptionLabels; ++k) {
    const cwui::Control* text = m_window.find("anima_text_" + std::to_string(k));
    const cwui::Control* extra = m_window.find("anima_text_extra_" + std::to_string(k));
    if (text == nullptr && extra == nullptr) break;
    if (text != nullptr) m_captions.push_back(text->text());
    if (extra != nullptr) m_extraCaptions.push_back(extra->text());
  }
}

std::shared_ptr<const cwui::Image> CAnima::picture(const std::string& prefix, const std::string& suffix,
                                                   int k) const {
  cwui::ImageCache& images = m_window.images();
  if (prefix.empty()) return images.get(ShippedPicture(k), m_look.scale);
  if (auto banner = images.get(prefix + std::to_string(k) + suffix, m_look.scale)) return banner;
  CWLOG << " AnimaInit, use default: " << k;
  return images.get(ShippedPicture(k), m_look.scale);
}

void CAnima::drawCaptioned(cwui::ImageCanvas& canvas, const cwui::Image& image, int k, int x) const {
  canvas.draw(image, {x, 0, x + m_width, m_height});
  const LanguageEntry* language = FindLanguage(m_look.language);
  cwui::CanvasText style;
  style.face = language != nullptr ? language->captionFace : "Microsoft YaHei";
  style.language = language != nullptr ? language->tag : "";
  style.size = kCaptionPixels;
  style.rgb = m_look.softwareId == kWhiteCaptionSoftware ? kWhite : kCaptionColour;
  const std::size_t index = static_cast<std::size_t>(k - 1);
  if (index < m_captions.size() && !m_captions[index].empty()) {
    style.bold = true;
    canvas.drawText(FirstLineBreak(m_captions[index]), {x + 30, 40, x + m_width - 30, 140}, style);
  }
  if (index < m_extraCaptions.size() && !m_extraCaptions[index].empty()) {
    style.bold = false;
    style.middle = true;
    canvas.drawText(m_extraCaptions[index], {x + 194, 40, x + 194 + 178, 40 + 65}, style);
  }
}

void CAnima::move(int from, int to) {
  finish();
  if (m_enabled == 0 || m_frameCount <= 1 || from == to) return;
  if (from < 1 || to < 1 || from > m_frameCount || to > m_frameCount) return;
  const int first = std::min(from, to), second = std::max(from, to);
  if (m_pairs.count({first, second}) == 0) return;
  m_slide = {true, first, second, from < to, 0};
  m_shown = to;
  nextStep();
  if (m_slide.active) m_loop.setTimer(this, kTimerId, kStepMs, [this] { nextStep(); });
}

void CAnima::nextStep() {
  if (!m_slide.active) return;
  const int i = ++m_slide.step;
  // Forward the view moves right from the first picture, backward left from
  // the second: x = n * width / 25 either way, so each step picture is one
  // view, whichever slide made it first.
  const int n = m_slide.forward ? i : kSteps - i;
  if (hasPair(m_slide.first, m_slide.second)) show(StepName(m_slide.first, m_slide.second, n, m_width, m_height));
  if (i >= kSteps) {
    m_loop.killTimer(this, kTimerId);
    m_slide.active = false;
  }
}

void CAnima::finish() {
  if (!m_slide.active) return;
  m_slide.step = kSteps - 1;
  nextStep();
}

bool CAnima::hasPair(int first, int second) const {
  return m_pairs.count({first, second}) != 0 && m_window.images().get(MergedName(first, second), m_look.scale) != nullptr;
}

void CAnima::show(const std::string& name) {
  cwui::Control* picture = m_window.find("image_play");
  if (picture == nullptr) return;
  // Only the picture's rectangle is painted again, the dots over it with it;
  // a background picture changes no layout.
  picture->setAttribute("bkimage", name);
  m_window.invalidate(picture->rect);
}

void CAnima::showCurrent() {
  if (m_shown > 1 && m_shown <= m_frameCount && hasPair(1, m_shown)) {
    show(StepName(1, m_shown, kSteps, m_width, m_height));
    return;
  }
  m_shown = 1;
  show("FirstFrame");
}

int CountAnimaFrames(cwui::ImageCache& images, int scale) {
  for (int k = 1; k <= CAnima::kMaxFrames; ++k) {
    if (images.get(ShippedPicture(k), scale) == nullptr) return k - 1;
  }
  return CAnima::kMaxFrames;
}

}  // namespace ui
