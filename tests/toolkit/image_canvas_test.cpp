// Pictures made at run time: the canvas's bounds, a picture's part drawn at
// an offset pixel for pixel at each scale, text kept inside its
// rectangle in its colour and alignment, and bad text refused.
#include "toolkit/ImageCanvas.h"

#include "toolkit/FontMap.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "support/TestSupport.h"

namespace {

constexpr std::uint32_t kOpaqueWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

// w x h window pixels at a scale: the left half red, the right half blue.
std::shared_ptr<const cwui::Image> Halves(int w, int h, int scale) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 0, 0);
  cairo_rectangle(cr, 0, 0, w * scale / 2, h * scale);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, w * scale / 2, 0, w * scale / 2, h * scale);
  cairo_fill(cr);
  cairo_destroy(cr);
  return std::make_shared<const cwui::Image>(s, scale);
}

cwui::CanvasText Plain(const char* face, double size) {
  cwui::CanvasText style;
  style.face = face;
  style.size = size;
  return style;
}

struct Ink {
  int count = 0, left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;  // window pixels, right/bottom inclusive
  std::uint32_t darkest = kOpaqueWhite;
};

// The pixels that are not white, in window pixels of a scale-1 picture.
Ink InkOf(const cwui::Image& image) {
  Ink ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const std::uint32_t p = cwui::ImagePixel(image, x, y);
      if (p == kOpaqueWhite) continue;
      ++ink.count;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
      if ((p & 0xFF) < (ink.darkest & 0xFF)) ink.darkest = p;
    }
  }
  return ink;
}

class Canvas : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    cwtest::TempDir cache;
    cwtest::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.path());
    ASSERT_TRUE(cwui::FontMap::Load(cwtest::ReadFile(CW_SOURCE_DIR "/resources/fonts/fonts.conf")));
  }
  // What the canvas holds, through a cache as a control would see it.
  std::shared_ptr<const cwui::Image> Picture(cwui::ImageCanvas& canvas) {
    EXPECT_TRUE(canvas.registerIn(cache, "made"));
    return cache.get("made");
  }
  cwui::ImageCache cache{{}};
};

TEST_F(Canvas, RefusesSizesOutsideTheCachesBound) {
  struct Case {
    int width, height, scale;
    bool ok;
  };
  for (const Case c : {Case{0, 5, 1, false}, Case{5, -1, 1, false}, Case{8193, 1, 1, false}, Case{4097, 1, 2, false},
                       Case{1, 4097, 3, false}, Case{8192, 1, 1, true}, Case{4096, 1, 2, true}}) {
    cwui::ImageCanvas canvas(c.width, c.height, c.scale);
    EXPECT_EQ(canvas.ok(), c.ok) << c.width << " x " << c.height << " at " << c.scale;
    EXPECT_EQ(canvas.registerIn(cache, "made"), c.ok);
    if (!c.ok) {
      EXPECT_FALSE(canvas.drawText("a", {0, 0, 1, 1}, {}));
    }
  }
}

TEST_F(Canvas, DrawsThePartOfAPictureAtAnOffsetPixelForPixel) {
  for (const int scale : {1, 2}) {
    cwui::ImageCanvas canvas(10, 10, scale);
    canvas.draw(*Halves(20, 10, scale), {-7, 0, 13, 10});  // the picture seen from x = 7
    const auto image = Picture(canvas);
    for (int x = 0; x < 10 * scale; ++x) {
      const std::uint32_t expected = x < 3 * scale ? kRed : kBlue;
      EXPECT_EQ(cwui::ImagePixel(*image, x, 0), expected) << "x " << x << " at scale " << scale;
      EXPECT_EQ(cwui::ImagePixel(*image, x, 10 * scale - 1), expected) << "x " << x << " at scale " << scale;
    }
  }
}

TEST_F(Canvas, TextStaysInItsRectangleInItsColourAndAlignment) {
  struct Case {
    bool centred, middle;
    std::string text;
  };
  const cwui::Rect box{20, 10, 220, 110};
  const char* const lines = "Your notes\nin one place";
  const std::string tooLong(400, 'w');
  for (const Case& c : {Case{true, false, lines}, Case{false, false, lines}, Case{true, true, lines},
                       Case{false, false, tooLong}}) {
    cwui::ImageCanvas canvas(240, 130, 1);
    const cwui::CanvasText style{.face = "Microsoft YaHei", .size = 14.67, .bold = true, .rgb = 0x4A4A4A,
                                 .centred = c.centred, .middle = c.middle, .language = "en"};
    ASSERT_TRUE(canvas.drawText(c.text, box, style));
    const Ink ink = InkOf(*Picture(canvas));
    ASSERT_GT(ink.count, 50);
    EXPECT_GE(ink.left, box.left);
    EXPECT_LT(ink.right, box.right);
    EXPECT_GE(ink.top, box.top);
    EXPECT_LT(ink.bottom, box.bottom);
    EXPECT_EQ(ink.darkest, 0xFF4A4A4Au);
    const int centreX = (ink.left + ink.right) / 2, centreY = (ink.top + ink.bottom) / 2;
    if (c.centred) {
      EXPECT_NEAR(centreX, (box.left + box.right) / 2, 3);
    } else {
      EXPECT_LT(ink.left, box.left + 4);
    }
    if (c.text == tooLong) {
      EXPECT_GT(ink.bottom, box.bottom - 10);  // it ran to the rectangle's edge and was cut there
    } else if (c.middle) {
      EXPECT_NEAR(centreY, (box.top + box.bottom) / 2, 4);
    } else {
      EXPECT_LT(ink.top, box.top + 8);
    }
  }
}

TEST_F(Canvas, BadTextIsNotDrawn) {
  const std::string cases[] = {"", "\xFF\xFE", std::string("a\0b", 3), std::string(cwui::ImageCanvas::kMaxTextBytes + 1, 'a')};
  for (const std::string& text : cases) {
    cwui::ImageCanvas canvas(60, 30, 1);
    EXPECT_FALSE(canvas.drawText(text, {0, 0, 60, 30}, Plain("Arial", 12)));
    EXPECT_EQ(InkOf(*Picture(canvas)).count, 0) << text.size() << " bytes";
  }
  cwui::ImageCanvas canvas(60, 30, 1);
  EXPECT_FALSE(canvas.drawText("a", {10, 10, 10, 30}, {}));  // an empty rectangle
}

}  // namespace
