// The picture cache: decoding with premultiplied alpha, "@2x" variants,
// pictures registered at run time, and the bounds that make a bad picture a
// missing one.
#include "toolkit/ImageCache.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <map>

namespace {

// A PNG of w x h pixels of one ARGB colour (straight alpha), made by cairo.
std::string Png(int w, int h, double r, double g, double b, double a) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgba(cr, r, g, b, a);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  std::string bytes;
  cairo_surface_write_to_png_stream(
      s,
      [](void* out, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  cairo_surface_destroy(s);
  return bytes;
}

std::uint32_t Pixel(const cwui::Image& image, int x, int y) {
  cairo_surface_flush(image.surface());
  const unsigned char* row = cairo_image_surface_get_data(image.surface()) + y * cairo_image_surface_get_stride(image.surface());
  return reinterpret_cast<const std::uint32_t*>(row)[x];
}

class Cache : public ::testing::Test {
 protected:
  std::map<std::string, std::string> files = {
      {"skin\\btn.png", Png(20, 10, 1, 0, 0, 0.5)},
      {"skin\\btn@2x.png", Png(40, 20, 0, 0, 1, 1)},
      {"skin\\only1x.png", Png(3, 3, 0, 1, 0, 1)},
      {"skin\\garbage.png", "\x89PNG\r\n\x1a\nnot really"},
      {"skin\\wide.png", Png(cwui::ImageCache::kMaxSide + 1, 1, 0, 0, 0, 1)},
      {"skin\\huge.png", std::string(cwui::ImageCache::kMaxFileBytes + 1, 'x')},
      // A GIF whose header asks for a 63233 x 65280 canvas, and a format we do not take.
      {"skin\\canvas.gif", std::string("GIF89a\x01\xf7\x00\xff\x80\x00\x00\x00\x00\x00\xff\xff\xff,\x00\x00\x00\x00"
                                         "\x01\x00\x01\x00\x00\x02\x02D\x01\x00;", 35)},
      {"skin\\bitmap.bmp", std::string("BM\x3a\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00", 14)},
  };
  std::map<std::string, int> reads;
  cwui::ImageCache cache{[this](const std::string& name) -> std::optional<std::string> {
    ++reads[name];
    const auto it = files.find(name);
    return it == files.end() ? std::nullopt : std::optional<std::string>(it->second);
  }};
};

TEST_F(Cache, DecodesPremultipliedAndPicksTheScaleVariant) {
  const auto one = cache.get("skin\\btn.png");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->width(), 20);
  EXPECT_EQ(one->scale(), 1);
  const std::uint32_t p = Pixel(*one, 5, 5);  // half-transparent red: premultiplied
  EXPECT_NEAR(static_cast<int>(p >> 24), 128, 1);
  EXPECT_NEAR(static_cast<int>(p >> 16 & 0xFF), 128, 1);
  EXPECT_EQ(p & 0xFFFF, 0u);

  const auto two = cache.get("skin\\btn.png", 2);
  ASSERT_NE(two, nullptr);
  EXPECT_EQ(two->width(), 40);
  EXPECT_EQ(two->scale(), 2);
  const auto fallback = cache.get("skin\\only1x.png", 2);
  ASSERT_NE(fallback, nullptr);
  EXPECT_EQ(fallback->scale(), 1);  // no "@2x": the painter scales the plain one
  EXPECT_EQ(cache.get("skin\\btn.png").get(), one.get()) << "one decode per name and scale";
}

TEST_F(Cache, BadPicturesAreMissingAndReadOnce) {
  for (const char* name : {"skin\\nothere.png", "skin\\garbage.png", "skin\\wide.png", "skin\\huge.png",
                           "skin\\canvas.gif", "skin\\bitmap.bmp"}) {
    EXPECT_EQ(cache.get(name), nullptr) << name;
    EXPECT_EQ(cache.get(name), nullptr) << name;
    EXPECT_EQ(reads[name], 1) << name;
  }
}

TEST_F(Cache, RegisteredSurfacesWinAndClearingForgets) {
  cairo_surface_t* frame = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 7, 7);
  cache.add("skin\\btn.png", frame);
  cache.add("FirstFrame", frame);
  cairo_surface_destroy(frame);  // the cache holds its own reference
  ASSERT_NE(cache.get("FirstFrame"), nullptr);
  EXPECT_EQ(cache.get("FirstFrame")->width(), 7);
  EXPECT_EQ(cache.get("skin\\btn.png")->width(), 7);
  cache.clear();
  EXPECT_EQ(cache.get("FirstFrame"), nullptr);
  EXPECT_EQ(cache.get("skin\\btn.png")->width(), 20);
}

}  // namespace
