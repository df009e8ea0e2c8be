// The running page's carousel: the pictures with their captions, every pair
// merged side by side once, and a slide from one picture to another in 25
// steps of 50 ms on the loop's timer, each step shown as the background of
// `image_play` (so the option dots, floating after it, stay on top) while
// the loop keeps handling messages.
#pragma once

#include "EnumLanguage.h"
#include "toolkit/ImageCache.h"
#include "toolkit/ImageCanvas.h"
#include "toolkit/MessageLoop.h"
#include "toolkit/Window.h"

#include <set>
#include <string>
#include <vector>

namespace ui {

// How the captions look, from the window's language and configuration.
struct AnimaLook {
  int language = English;  // its caption face and text language
  int softwareId = 0;      // 10: white captions
  int scale = 1;           // the host's device pixels per window pixel
};

class CAnima {
 public:
  static constexpr int kSteps = 25;
  static constexpr unsigned kStepMs = 50;
  // The option dots reach indexes 1 to 10; no more pictures are shown.
  static constexpr int kMaxFrames = 10;
  static constexpr int kTimerId = 1;  // of this object's own timers on the loop
  // The caption size: 11 points at 96 dots per inch, in window pixels.
  static constexpr double kCaptionPixels = 11.0 * 96.0 / 72.0;

  // area: where `image_play` sat when the carousel was made (window pixels).
  // frameCount is clamped to 0..kMaxFrames; width and height to 1..4096.
  CAnima(cwui::Window& window, cwui::MessageLoop& loop, const cwui::Rect& area, int enabled, int frameCount,
         int width = 650, int height = 300, AnimaLook look = {});
  ~CAnima();
  CAnima(const CAnima&) = delete;
  CAnima& operator=(const CAnima&) = delete;

  // Builds the picture set: picture k is prefix + k + suffix (the shipped
  // "skin\anima\%d.png" when the prefix is empty, and for any that is
  // missing); captions only on the shipped pictures. Registers "FirstFrame"
  // and "Merge%02d%02d.png" for every pair. A slide under way ends first;
  // `image_play` then shows the current picture of the new set.
  void HorizontalMoveAnimaInit(const std::string& prefix, const std::string& suffix);
  // Slides from picture `from` to picture `to` (1-based). Nothing with one
  // picture, the same index, an index out of range or when disabled. A slide
  // under way is finished at once, then the new one starts.
  void move(int from, int to);

  const cwui::Rect& area() const { return m_area; }
  bool moving() const { return m_slide.active; }
  // The picture `image_play` shows, or ends the running slide on.
  int shown() const { return m_shown; }
  int frameCount() const { return m_frameCount; }
  const std::vector<std::string>& captions() const { return m_captions; }
  const std::vector<std::string>& extraCaptions() const { return m_extraCaptions; }

  static std::string MergedName(int first, int second);
  // Step n (0..25) of a pair: the merged picture seen from x = n * width / 25,
  // as the picture attribute image_play shows it (a part of the merged
  // picture, so no picture is made per step).
  static std::string StepName(int first, int second, int n, int width = 650, int height = 300);

 private:
  struct Slide {
    bool active = false;
    int first = 0, second = 0;  // the pair, first < second
    bool forward = true;        // towards the second picture
    int step = 0;               // shown so far, 0..kSteps
  };

  void loadCaptions();
  std::shared_ptr<const cwui::Image> picture(const std::string& prefix, const std::string& suffix, int k) const;
  // Picture k with its caption, drawn into the canvas from x.
  void drawCaptioned(cwui::ImageCanvas& canvas, const cwui::Image& image, int k, int x) const;
  void nextStep();
  void finish();
  // True when the pair's merged picture is there to show a step of.
  bool hasPair(int first, int second) const;
  void show(const std::string& name);
  void showCurrent();

  cwui::Window& m_window;
  cwui::MessageLoop& m_loop;
  cwui::Rect m_area;
  int m_enabled;
  int m_frameCount;
  int m_width, m_height;
  AnimaLook m_look;
  std::vector<std::string> m_captions, m_extraCaptions;
  std::set<std::pair<int, int>> m_pairs;  // pairs merged in this picture set
  Slide m_slide;
  int m_shown = 1;
};

// How many carousel pictures the skin ships: "skin\anima\%d.png" loaded
// through the cache for 1, 2, 3 ... until one is missing (at most kMaxFrames).
int CountAnimaFrames(cwui::ImageCache& images, int scale = 1);

}  // namespace ui
