// The carousel on the shipped main window: the frame count, the captioned
// pictures (their first line break, face and colour) and merged pairs, the slide's 25 steps on the loop's timer with
// the loop still answering, each step's view of the merged picture (made
// once), a move during a move, and banners with a missing
// picture falling back to the shipped one.
#include "resources/SkinArchive.h"

#include "toolkit/ImageAttribute.h"
#include "toolkit/ImageCanvas.h"
#include "ui/CAnima.h"

#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kCaptions[] = {"Your notes, tasks and files{n}in one calm place",
                                 "Find anything in a moment{n}with instant search",
                                 "Everything stays in sync{n}on all your devices"};

bool SamePixels(const cwui::Image& a, int ax, const cwui::Image& b, int bx, int width, int height) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (cwui::ImagePixel(a, ax + x, y) != cwui::ImagePixel(b, bx + x, y)) return false;
    }
  }
  return true;
}

// Rows [top, bottom) of two pictures that differ in at least one pixel.
int DifferingRows(const cwui::Image& a, const cwui::Image& b, int top, int bottom) {
  int rows = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = 0; x < a.width(); ++x) {
      if (cwui::ImagePixel(a, x, y) != cwui::ImagePixel(b, x, y)) {
        ++rows;
        break;
      }
    }
  }
  return rows;
}

class Anima : public SkinArchive {
 protected:
  void SetUp() override {
    window = Open("InstallMainWnd.xml");
    ASSERT_NE(window, nullptr);
    ShowRunningPage();
    SetCaptions(kCaptions);
    window->setInvalidator([this](const cwui::Rect&) { shownNames.push_back(Background()); });
  }

  void ShowRunningPage() { window->selectItem(*window->find("main_tablayout"), 1); }

  template <std::size_t N>
  void SetCaptions(const char* const (&texts)[N]) {
    for (std::size_t k = 0; k < N; ++k) window->setText(*window->find("anima_text_" + std::to_string(k + 1)), texts[k]);
  }

  std::unique_ptr<ui::CAnima> Make(ui::AnimaLook look = {}, int frames = -1, int enabled = 1) {
    if (frames < 0) frames = ui::CountAnimaFrames(window->images());
    auto anima = std::make_unique<ui::CAnima>(*window, loop, window->find("image_play")->rect, enabled, frames, 650,
                                              300, look);
    anima->HorizontalMoveAnimaInit("", "");
    return anima;
  }

  std::string Background() const { return window->find("image_play")->attribute("bkimage"); }
  std::shared_ptr<const cwui::Image> Image(const std::string& name) { return window->images().get(name); }

  // Runs the loop until the slide ends; the time it took.
  Clock::duration RunSlide(ui::CAnima& anima) {
    const auto start = Clock::now();
    loop.setTimer(this, 1, 5, [&] {
      if (!anima.moving() || Clock::now() - start > std::chrono::seconds(10)) loop.quit(0);
    });
    loop.run();
    loop.killTimer(this, 1);
    return Clock::now() - start;
  }

  // Picture k of the skin with caption text drawn as the carousel should draw it.
  std::shared_ptr<const cwui::Image> Captioned(int k, const std::string& text, const char* face, std::uint32_t rgb,
                                               const char* tag) {
    cwui::ImageCanvas canvas(650, 300, 1);
    canvas.draw(*Image("skin\\anima\\" + std::to_string(k) + ".png"), {0, 0, 650, 300});
    canvas.drawText(text, {30, 40, 620, 140}, {.face = face, .size = ui::CAnima::kCaptionPixels, .bold = true, .rgb = rgb, .language = tag});
    canvas.registerIn(window->images(), "expected");
    return Image("expected");
  }

  cwui::MessageLoop loop;
  std::unique_ptr<cwui::Window> window;
  std::vector<std::string> shownNames;
};

TEST_F(Anima, CountsThePicturesUpToTheFirstMissingOne) {
  EXPECT_EQ(ui::CountAnimaFrames(window->images()), 3);
  for (int missing = 1; missing <= 3; ++missing) {
    const std::string gone = "skin\\anima\\" + std::to_string(missing) + ".png";
    cwui::ImageCache cache([&](const std::string& name) {
      return name == gone ? std::nullopt : s_archive.Read(name);
    });
    EXPECT_EQ(ui::CountAnimaFrames(cache), missing - 1) << gone;
  }
}

TEST_F(Anima, InitRegistersTheFirstFrameAndEveryPairSideBySide) {
  const auto anima = Make();
  EXPECT_EQ(anima->captions().size(), 10u);
  EXPECT_EQ(Background(), "FirstFrame");
  const auto first = Image("FirstFrame");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->width(), 650);
  EXPECT_EQ(first->height(), 300);
  const auto m12 = Image("Merge0102.png"), m13 = Image("Merge0103.png"), m23 = Image("Merge0203.png");
  ASSERT_TRUE(m12 && m13 && m23);
  EXPECT_EQ(m13->width(), 1300);
  EXPECT_TRUE(SamePixels(*m12, 0, *first, 0, 650, 300));
  EXPECT_TRUE(SamePixels(*m13, 0, *first, 0, 650, 300));
  EXPECT_TRUE(SamePixels(*m13, 650, *m23, 650, 650, 300));  // captioned 3
  EXPECT_TRUE(SamePixels(*m12, 650, *m23, 0, 650, 300));    // captioned 2
  EXPECT_EQ(Image("Merge0201.png"), nullptr);
}

TEST_F(Anima, CaptionsAreDrawnInTheirBandOnly) {
  const auto anima = Make();
  const auto first = Image("FirstFrame"), plain = Image("skin\\anima\\1.png");
  EXPECT_GT(DifferingRows(*first, *plain, 40, 140), 20);  // two lines of bold text
  EXPECT_EQ(DifferingRows(*first, *plain, 0, 40), 0);
  EXPECT_EQ(DifferingRows(*first, *plain, 140, 300), 0);

  const char* const none[] = {"", "", ""};
  SetCaptions(none);
  anima->HorizontalMoveAnimaInit("", "");
  EXPECT_EQ(DifferingRows(*Image("FirstFrame"), *plain, 0, 300), 0);
}

TEST_F(Anima, CaptionsTakeTheLanguagesFaceAndTheSoftwaresColour) {
  struct Case {
    int language, softwareId;
    const char* face;
    std::uint32_t rgb;
    const char* tag;
    const char* otherFace;  // another language's caption face
  };
  const char* const korean[] = {"\xEC\x84\xA4\xEC\xB9\x98 \xEC\xA4\x91{n}\xEC\x9E\xA0\xEC\x8B\x9C\xEB\xA7\x8C", "", ""};
  SetCaptions(korean);
  const std::string text = "\xEC\x84\xA4\xEC\xB9\x98 \xEC\xA4\x91\n\xEC\x9E\xA0\xEC\x8B\x9C\xEB\xA7\x8C";
  for (const Case c : {Case{Korean, 0, "batang", 0x4A4A4A, "ko", "Microsoft YaHei"},
                       Case{English, 0, "Microsoft YaHei", 0x4A4A4A, "en", "batang"},
                       Case{Korean, 10, "batang", 0xFFFFFF, "ko", "Microsoft YaHei"}}) {
    const auto anima = Make({c.language, c.softwareId, 1});
    const auto first = Image("FirstFrame");
    EXPECT_TRUE(SamePixels(*first, 0, *Captioned(1, text, c.face, c.rgb, c.tag), 0, 650, 300))
        << c.face << " " << c.softwareId;
    EXPECT_FALSE(SamePixels(*first, 0, *Captioned(1, text, c.otherFace, c.rgb, c.tag), 0, 650, 300)) << c.face;
  }
}

TEST_F(Anima, ASlideRunsTwentyFiveStepsOnTheTimerWhileTheLoopAnswers) {
  const auto anima = Make();
  struct Case {
    int from, to;
    std::vector<int> views;  // the step pictures shown, in order
  };
  std::vector<int> forward, backward;
  for (int i = 1; i <= 25; ++i) forward.push_back(i), backward.push_back(25 - i);
  for (const Case& c : {Case{1, 3, forward}, Case{3, 1, backward}}) {
    shownNames.clear();
    std::size_t stepsWhenPosted = 0;
    anima->move(c.from, c.to);
    loop.post([&] { stepsWhenPosted = shownNames.size(); });
    const auto took = RunSlide(*anima);
    EXPECT_GE(took, std::chrono::milliseconds(24 * 50 - 30));
    EXPECT_GE(stepsWhenPosted, 1u);
    EXPECT_LT(stepsWhenPosted, 25u);  // handled between steps, not after the slide
    std::vector<std::string> expected;
    for (const int n : c.views) expected.push_back(ui::CAnima::StepName(1, 3, n));
    EXPECT_EQ(shownNames, expected) << c.from << " to " << c.to;
    EXPECT_EQ(anima->shown(), c.to);
  }
  // Each step shows the merged picture (made once, kept) from x = 26 n.
  const auto merged = Image("Merge0103.png");
  anima->move(1, 3);
  RunSlide(*anima);
  EXPECT_EQ(Image("Merge0103.png"), merged);
  for (int n = 0; n <= 25; ++n) {
    const cwui::ImageSpec view = cwui::ParseImageAttribute(ui::CAnima::StepName(1, 3, n));
    EXPECT_EQ(view.file, "Merge0103.png");
    ASSERT_TRUE(view.source) << n;
    EXPECT_EQ(view.source->left, 26 * n);
    EXPECT_EQ(view.source->width(), 650);
    EXPECT_EQ(view.source->height(), 300);
  }
}

TEST_F(Anima, MovesThatDoNothing) {
  struct Case {
    int frames, enabled, from, to;
  };
  for (const Case c : {Case{1, 1, 1, 2}, Case{3, 1, 2, 2}, Case{3, 1, 0, 1}, Case{3, 1, 1, 4}, Case{3, 0, 1, 2}}) {
    const auto anima = Make({}, c.frames, c.enabled);
    anima->move(c.from, c.to);
    EXPECT_FALSE(anima->moving()) << c.frames << " " << c.from << " to " << c.to;
    EXPECT_EQ(Background(), "FirstFrame");
    EXPECT_EQ(anima->shown(), 1);
  }
  // One picture: it is shown, and nothing is merged.
  const auto single = Make({}, 1);
  EXPECT_NE(Image("FirstFrame"), nullptr);
  window->images().clear();
  single->HorizontalMoveAnimaInit("", "");
  EXPECT_NE(Image("FirstFrame"), nullptr);
  EXPECT_EQ(Image("Merge0102.png"), nullptr);
}

TEST_F(Anima, AMoveDuringAMoveEndsTheFirstAtOnce) {
  const auto anima = Make();
  anima->move(1, 2);
  ASSERT_TRUE(anima->moving());
  shownNames.clear();
  anima->move(2, 3);
  ASSERT_FALSE(shownNames.empty());
  EXPECT_EQ(shownNames.front(), ui::CAnima::StepName(1, 2, 25));  // picture 2 in full
  RunSlide(*anima);
  EXPECT_EQ(Background(), ui::CAnima::StepName(2, 3, 25));
  EXPECT_EQ(anima->shown(), 3);
}

TEST_F(Anima, AfterASlideAndARebuildThePictureShownStays) {
  const auto anima = Make();
  anima->move(1, 3);
  RunSlide(*anima);
  window->images().clear();
  anima->HorizontalMoveAnimaInit("", "");
  EXPECT_EQ(Background(), ui::CAnima::StepName(1, 3, 25));
  const cwui::ImageSpec view = cwui::ParseImageAttribute(Background());
  EXPECT_TRUE(SamePixels(*Image(view.file), view.source->left, *Image("Merge0203.png"), 650, 650, 300));
}

TEST_F(Anima, ABannerSetMissingPictureTwoUsesTheShippedOne) {
  // Banners 1 and 3 are the shipped pictures 3 and 1 swapped; banner 2 is missing.
  const auto bytesOf = [](const std::string& name) -> std::optional<std::string> {
    if (name == "dl\\1.png") return s_archive.Read("skin\\anima\\3.png");
    if (name == "dl\\3.png") return s_archive.Read("skin\\anima\\1.png");
    return s_archive.Read(name);
  };
  const auto xml = s_archive.Read("InstallMainWnd.xml");
  ASSERT_TRUE(xml);
  auto skin = cwui::ReadSkin(*xml, Source());
  ASSERT_TRUE(skin);
  window = std::make_unique<cwui::Window>(std::move(*skin), bytesOf);
  window->layout();
  ShowRunningPage();
  SetCaptions(kCaptions);
  ui::CAnima anima(*window, loop, window->find("image_play")->rect, 1, 3);
  anima.HorizontalMoveAnimaInit("dl\\", ".png");
  EXPECT_TRUE(anima.captions().empty());
  const auto m12 = Image("Merge0102.png"), m23 = Image("Merge0203.png");
  ASSERT_TRUE(m12 && m23);
  EXPECT_TRUE(SamePixels(*m12, 0, *Image("skin\\anima\\3.png"), 0, 650, 300));    // banner 1, no caption
  EXPECT_TRUE(SamePixels(*m12, 650, *Image("skin\\anima\\2.png"), 0, 650, 300));  // the shipped 2
  EXPECT_TRUE(SamePixels(*m23, 650, *Image("skin\\anima\\1.png"), 0, 650, 300));  // banner 3
}

TEST_F(Anima, AtScaleTwoThePicturesHaveTwiceThePixels) {
  const auto anima = Make({English, 0, 2});
  const auto first = Image("FirstFrame"), merged = Image("Merge0102.png");
  ASSERT_TRUE(first && merged);
  EXPECT_EQ(first->scale(), 2);
  EXPECT_EQ(first->width(), 1300);
  EXPECT_EQ(merged->width(), 2600);
  EXPECT_EQ(merged->height(), 600);
}

}  // namespace
