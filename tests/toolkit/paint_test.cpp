// The paint pass in pixels, through the offscreen host: state pictures land
// in their control, nine-slice corners keep their size, text stays inside
// its control, a missing picture leaves the background, and a change
// repaints only its control.
#include "toolkit/FontMap.h"
#include "toolkit/HeadlessHost.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

cairo_status_t Append(void* out, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(out)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

// A PNG of w x h in `fill`, with corners of `corner` pixels in `corners` and
// the edges between them in `edges`.
std::string Picture(int w, int h, std::uint32_t fill, int corner = 0, std::uint32_t corners = 0, std::uint32_t edges = 0) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(s);
  const auto rect = [cr](double x, double y, double rw, double rh, std::uint32_t c) {
    cairo_set_source_rgb(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, (c & 0xFF) / 255.0);
    cairo_rectangle(cr, x, y, rw, rh);
    cairo_fill(cr);
  };
  rect(0, 0, w, h, fill);
  if (corner > 0) {
    rect(corner, 0, w - 2 * corner, h, edges);
    rect(0, corner, w, h - 2 * corner, edges);
    rect(corner, corner, w - 2 * corner, h - 2 * corner, fill);
    for (int x : {0, w - corner}) {
      for (int y : {0, h - corner}) rect(x, y, corner, corner, corners);
    }
  }
  cairo_destroy(cr);
  std::string png;
  cairo_surface_write_to_png_stream(s, Append, &png);
  cairo_surface_destroy(s);
  return png;
}

class Paint : public ::testing::Test {
 protected:
  void Render(const std::string& body, int scale = 1) {
    const std::string xml = "<Window size=\"200,100\"><VerticalLayout bkcolor=\"#FFFFFFFF\">" + body +
                            "</VerticalLayout></Window>";
    host.reset();  // a host goes before its window
    window = std::make_unique<cwui::Window>(*cwui::ReadSkin(xml, {}), [this](const std::string& name) {
      const auto it = pictures.find(name);
      return it == pictures.end() ? std::nullopt : std::optional<std::string>(it->second);
    });
    host = std::make_unique<cwui::OffscreenHost>(*window, loop, scale);
    host->render();
  }
  // The pixel at window pixel (x, y), opaque ARGB.
  std::uint32_t At(int x, int y) const {
    cairo_surface_t* s = host->surface();
    const int scale = host->scale();
    std::uint32_t px;
    std::memcpy(&px, cairo_image_surface_get_data(s) + (y * scale) * cairo_image_surface_get_stride(s) + x * scale * 4, 4);
    return px;
  }

  std::map<std::string, std::string> pictures{{"red.png", Picture(8, 8, kRed)},
                                              {"green.png", Picture(8, 8, kGreen)},
                                              {"frame.png", Picture(30, 30, kRed, 10, kBlue, kGreen)}};
  cwui::MessageLoop loop;
  std::unique_ptr<cwui::Window> window;
  std::unique_ptr<cwui::OffscreenHost> host;
};

TEST_F(Paint, AButtonsStatePictureLandsInItsRectangle) {
  Render(R"(<Control height="20"/><HorizontalLayout height="40"><Control width="50"/>
            <Button name="b" width="60" normalimage="red.png" hotimage="green.png"/></HorizontalLayout>)");
  EXPECT_EQ(At(50, 20), kRed);
  EXPECT_EQ(At(109, 59), kRed);
  for (auto [x, y] : {std::pair{49, 30}, {110, 30}, {80, 19}, {80, 60}}) EXPECT_EQ(At(x, y), kWhite) << x << "," << y;

  window->pointerMove(80, 30);  // hot: only the button is painted again, in its hot picture
  const cwui::Rect painted = host->render();
  EXPECT_EQ(painted, (cwui::Rect{50, 20, 110, 60}));
  EXPECT_EQ(At(80, 30), kGreen);
}

TEST_F(Paint, NineSliceCornersKeepTheirSizeAtEveryScale) {
  pictures["frame@2x.png"] = Picture(60, 60, kRed, 20, kBlue, kGreen);
  for (int scale : {1, 2}) {
    for (bool withVariant : {true, false}) {
      if (!withVariant) pictures.erase("frame@2x.png");
      Render(R"(<Control height="60" bkimage="file='frame.png' corner='10,10,10,10'"/>)", scale);
      SCOPED_TRACE(testing::Message() << "scale " << scale << (withVariant ? " with @2x" : " without"));
      for (auto [x, y] : {std::pair{0, 0}, {9, 9}, {190, 50}, {199, 59}}) EXPECT_EQ(At(x, y), kBlue) << x << "," << y;
      for (auto [x, y] : {std::pair{11, 5}, {189, 5}, {5, 30}, {100, 55}}) EXPECT_EQ(At(x, y), kGreen) << x << "," << y;
      EXPECT_EQ(At(100, 30), kRed);
    }
  }
}

TEST_F(Paint, TextStaysInsideItsControl) {
  const char* kLong = "A text far too long for its little label, which must not paint past its edges";
  for (const char* extra : {"", " endellipsis=\"true\"", " multiline=\"true\""}) {
    Render(std::string(R"(<Control height="40"/><HorizontalLayout height="20"><Control width="40"/><Label width="100" text=")") +
           kLong + "\"" + extra + "/></HorizontalLayout>");
    int inside = 0, outside = 0;
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 200; ++x) {
        if (At(x, y) == kWhite) continue;
        (x >= 40 && x < 140 && y >= 40 && y < 60 ? inside : outside)++;
      }
    }
    EXPECT_GT(inside, 50) << extra;
    EXPECT_EQ(outside, 0) << extra;
    EXPECT_EQ(host->missingGlyphs(), 0);
  }
}

TEST_F(Paint, AMissingPictureLeavesTheBackground) {
  Render(R"(<Control height="50" bkcolor="#FF0000FF" bkimage="nothere.png"/>
            <Button height="50" bkcolor="#FF0000FF" normalimage="file='nothere.png' corner='2,2,2,2'"/>)");
  EXPECT_EQ(At(100, 25), kBlue);
  EXPECT_EQ(At(100, 75), kBlue);
}

TEST_F(Paint, ATextChangeRepaintsOnlyItsControl) {
  Render(R"(<Label name="a" height="30" text="before"/><Label name="b" height="30" text="other"/>)");
  window->setText(*window->find("b"), "after");
  EXPECT_EQ(host->render(), (cwui::Rect{0, 30, 200, 60}));
  EXPECT_EQ(host->render(), cwui::Rect{});  // nothing is dirty any more
}

}  // namespace
