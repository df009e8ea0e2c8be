// The launch window in the headless host with the shipped skin: it stays for
// its duration after a successful start, closes at once after a failed one
// (the event and the hint in the window's language), plays its frames
// without an empty one, and its buttons.
#include "resources/SkinArchive.h"
#include "telemetry/TelemetryTestSupport.h"
#include "ui/WindowTestSupport.h"

#include "toolkit/HeadlessHost.h"
#include "ui/CAlientWnd.h"
#include "ui/LanguageFile.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using ui::CAlientWnd;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class LaunchWindow : public SkinArchive {
 protected:
  void SetUp() override {
    transport = std::make_shared<teletest::FakeTransport>();
    log = teletest::MakeLog(transport);
  }

  CAlientWnd::Environment Env() {
    CAlientWnd::Environment env;
    env.archive = withButtons ? ArchiveWithButtons() : Source();
    env.makeHost = [this](cwui::Window& w, cwui::MessageLoop& l) {
      auto made = std::make_unique<cwui::HeadlessHost>(w, l);
      host = made.get();
      return made;
    };
    env.userLog = log.get();
    env.start = [this](const std::string& target, int mode) {
      starts.push_back(target + " " + std::to_string(mode));
      return startResult;
    };
    env.plainMessage = [this](const std::string& text) {
      messages.push_back(text);
      messageOnLoopThread = std::this_thread::get_id() == loopThread;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the user reading it
    };
    return env;
  }
  CAlientWnd Make(int duration, EnumLanguage language = English) {
    return CAlientWnd(1, "\"/apps/Quorla/quorla\"", "2.0.1", "Quorla Murmelon", duration, language, Env());
  }

  // The shipped skin has no buttons; this one adds them over the card.
  static cwui::LayoutSource ArchiveWithButtons() {
    return [](const std::string& path) -> std::optional<std::string> {
      auto text = s_archive.Read(path);
      if (!text || path != CAlientWnd::kSkin) return text;
      const std::size_t end = text->rfind("</VerticalLayout>");
      text->insert(end, R"(<Button name="minbtn" float="true" pos="250,16,274,40"/>
                           <Button name="closebtn" float="true" pos="280,16,304,40"/>)");
      return text;
    };
  }

  // Runs `action` inside the window's modal run.
  void WhenShown(CAlientWnd& wnd, std::function<void(CAlientWnd&)> action, unsigned afterMs = 0) {
    loop.setTimer(this, 1, afterMs, [this, &wnd, action] {
      loop.killTimer(this, 1);
      action(wnd);
    });
  }

  bool Recorded(const std::string& label) {
    log->WaitThreadForExit();
    for (const std::string& view : transport->PageViews()) {
      if (view.find("&ep.cw_label=" + label) != std::string::npos) return true;
    }
    return false;
  }

  teletest::ScopedSettings settings;
  teletest::ScopedUserFolders folders;
  std::shared_ptr<teletest::FakeTransport> transport;
  std::unique_ptr<CSingleUserLog> log;
  cwui::MessageLoop loop;
  const std::thread::id loopThread = std::this_thread::get_id();
  cwui::HeadlessHost* host = nullptr;
  bool withButtons = false;
  int startResult = 0;
  std::vector<std::string> starts, messages;
  std::atomic<bool> messageOnLoopThread{false};
};

TEST_F(LaunchWindow, SuccessfulStartKeepsTheWindowForItsDuration) {
  const unsigned framesBefore = CAlientWnd::FrameCounter();
  CAlientWnd wnd = Make(1);
  std::string shownName;
  WhenShown(wnd, [&](CAlientWnd& w) { shownName = w.window()->find("version")->text(); });
  const auto start = Clock::now();
  EXPECT_EQ(wnd.showModal(loop), CAlientWnd::kClosedByLaunch);
  const double seconds = SecondsSince(start);
  EXPECT_GE(seconds, 0.95);
  EXPECT_LT(seconds, 3.0);
  EXPECT_EQ(starts, std::vector<std::string>{"\"/apps/Quorla/quorla\" 1"});
  EXPECT_EQ(shownName, "Quorla Murmelon");
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(Recorded("DL019"));
  // About 20 ticks of 50 ms in a second.
  EXPECT_GE(CAlientWnd::FrameCounter() - framesBefore, 10u);
  EXPECT_FALSE(host->shown());
}

TEST_F(LaunchWindow, FailedStartShowsTheHintInItsLanguageAndClosesAtOnce) {
  startResult = -1;
  std::vector<std::string> hints;
  for (EnumLanguage language : {German, English}) {
    SCOPED_TRACE(language);
    messages.clear();
    CAlientWnd wnd = Make(30, language);
    const auto start = Clock::now();
    EXPECT_EQ(wnd.showModal(loop), CAlientWnd::kClosedByLaunch);
    EXPECT_LT(SecondsSince(start), 5.0);  // the hint's 200 ms, not the 30 s
    const std::string expected = ui::LoadLanguageText(Source(), "message_page", "ClickShortcutToLaunchText", language);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(messages, std::vector<std::string>{expected});
    EXPECT_FALSE(messageOnLoopThread);
    hints.push_back(expected);
  }
  EXPECT_NE(hints[0], hints[1]);
  EXPECT_TRUE(Recorded("DL019"));
}

TEST_F(LaunchWindow, FramesFollowTheCounterAndMissingOnesKeepTheLastPicture) {
  withButtons = true;
  CAlientWnd closable = Make(30);
  WhenShown(closable, [](CAlientWnd& w) {
    while (CAlientWnd::FrameCounter() % CAlientWnd::kFrameNames != 0) w.nextFrame();
    const struct {
      int ticks;  // after the counter stood at 0
      const char* shown;
    } cases[] = {{1, "bg00"}, {2, "bg01"}, {14, "bg13"}, {15, "bg13"}, {21, "bg13"}, {22, "bg00"}, {35, "bg13"}};
    int done = 0;
    for (const auto& c : cases) {
      for (; done < c.ticks; ++done) {
        w.nextFrame();
        const std::string shown = w.window()->find("foreImage")->attribute("bkimage");
        EXPECT_NE(w.window()->images().get(shown), nullptr) << "an empty frame after tick " << done + 1;
      }
      EXPECT_EQ(w.window()->find("foreImage")->attribute("bkimage"), std::string("skin/gif/") + c.shown + ".png")
          << c.ticks << " ticks";
    }
    uitest::Press(*w.window(), "closebtn");
  });
  EXPECT_EQ(closable.showModal(loop), CAlientWnd::kClosedByUser);
  EXPECT_EQ(CAlientWnd::FrameName(20), "skin/gif/bg20.png");
  EXPECT_EQ(CAlientWnd::FrameName(21 + 3), "skin/gif/bg03.png");
}

TEST_F(LaunchWindow, CloseButtonEndsTheWaitAndMinimiseButtonMinimises) {
  withButtons = true;
  CAlientWnd wnd = Make(30);
  bool minimised = false;
  WhenShown(
      wnd,
      [&](CAlientWnd& w) {
        uitest::Press(*w.window(), "minbtn");
        minimised = host->minimized() && !host->closed();
        uitest::Press(*w.window(), "closebtn");
      },
      100);
  const auto start = Clock::now();
  EXPECT_EQ(wnd.showModal(loop), CAlientWnd::kClosedByUser);
  EXPECT_LT(SecondsSince(start), 5.0);  // not the 30 s
  EXPECT_TRUE(minimised);
  EXPECT_EQ(starts.size(), 1u);
}

TEST_F(LaunchWindow, UnreadableSkinStartsNothing) {
  CAlientWnd::Environment env = Env();
  env.archive = [](const std::string&) { return std::optional<std::string>(); };
  CAlientWnd wnd(0, "\"/x\"", "1", "X", 1, English, std::move(env));
  EXPECT_EQ(wnd.showModal(loop), CAlientWnd::kClosedByLaunch);
  EXPECT_TRUE(starts.empty());
}

}  // namespace
