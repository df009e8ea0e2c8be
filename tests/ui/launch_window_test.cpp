// The launch window in the headless host with the shipped skin: its stay
// after a good start, the hint after a failed one, the frames, the buttons.
#include "resources/SkinArchive.h"
#include "telemetry/TelemetryTestSupport.h"
#include "ui/WindowTestSupport.h"

#include "toolkit/HeadlessHost.h"
#include "ui/CAlientWnd.h"
#include "ui/LanguageFile.h"

#include <chrono>
#include <thread>

namespace {

using ui::CAlientWnd;

class LaunchWindow : public SkinArchive {
 protected:
  // Shows a window of that duration, runs `whenShown` in its modal run;
  // returns its result and sets `seconds` to how long it stayed.
  int Show(int duration, EnumLanguage language, std::function<void(CAlientWnd&)> whenShown = {}) {
    CAlientWnd::Environment env;
    env.archive = [](const std::string& path) {
      auto text = s_archive.Read(path);
      // The shipped skin has no buttons: these sit over the card.
      if (text && path == CAlientWnd::kSkin) {
        text->insert(text->rfind("</VerticalLayout>"), R"(<Button name="minbtn" float="true" pos="250,16,274,40"/>
          <Button name="closebtn" float="true" pos="280,16,304,40"/>)");
      }
      return text;
    };
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
      messages.push_back(text + (std::this_thread::get_id() == loopThread ? " (on the loop's thread)" : ""));
      std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the user reading it
    };
    CAlientWnd wnd(1, "\"/apps/Quorla/quorla\"", "2.0.1", "Quorla Murmelon", duration, language, std::move(env));
    if (whenShown) loop.post([&wnd, whenShown] { whenShown(wnd); });
    const auto start = std::chrono::steady_clock::now();
    const int result = wnd.showModal(loop);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return result;
  }
  bool Recorded(const std::string& label) {
    log->WaitThreadForExit();
    const auto views = transport->PageViews();
    return std::any_of(views.begin(), views.end(), [&](const std::string& v) { return v.find("&ep.cw_label=" + label) != v.npos; });
  }

  teletest::ScopedSettings settings;
  teletest::ScopedUserFolders folders;
  std::shared_ptr<teletest::FakeTransport> transport = std::make_shared<teletest::FakeTransport>();
  std::unique_ptr<CSingleUserLog> log = teletest::MakeLog(transport);
  cwui::MessageLoop loop;
  const std::thread::id loopThread = std::this_thread::get_id();
  cwui::HeadlessHost* host = nullptr;
  int startResult = 0;
  double seconds = 0;
  std::vector<std::string> starts, messages;
};

TEST_F(LaunchWindow, SuccessfulStartKeepsTheWindowForItsDuration) {
  const unsigned framesBefore = CAlientWnd::FrameCounter();
  std::string name;
  EXPECT_EQ(Show(1, English, [&](CAlientWnd& w) { name = w.window()->find("version")->text(); }), 0);
  EXPECT_GE(seconds, 0.95);
  EXPECT_LT(seconds, 3.0);
  EXPECT_EQ(starts, std::vector<std::string>{"\"/apps/Quorla/quorla\" 1"});
  EXPECT_EQ(name, "Quorla Murmelon");
  EXPECT_GE(CAlientWnd::FrameCounter() - framesBefore, 10u);  // about 20 ticks of 50 ms
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(Recorded("DL019"));
}

TEST_F(LaunchWindow, FailedStartShowsTheHintInItsLanguageAndClosesAtOnce) {
  startResult = -1;
  const std::string german = ui::LoadLanguageText(Source(), "message_page", "ClickShortcutToLaunchText", German);
  const std::string english = ui::LoadLanguageText(Source(), "message_page", "ClickShortcutToLaunchText", English);
  ASSERT_NE(german, english);
  for (const auto& [language, hint] : {std::pair{German, german}, std::pair{English, english}}) {
    messages.clear();
    EXPECT_EQ(Show(30, language), 0);
    EXPECT_LT(seconds, 5.0);  // the hint's 200 ms, not the 30 s
    EXPECT_EQ(messages, std::vector<std::string>{hint});
  }
  EXPECT_TRUE(Recorded("DL019"));
}

TEST_F(LaunchWindow, FramesFollowTheCounterAndMissingOnesKeepTheLastPicture) {
  const struct {
    int ticks;  // after the counter stood at 0
    const char* shown;
  } cases[] = {{1, "bg00"}, {2, "bg01"}, {14, "bg13"}, {15, "bg13"}, {21, "bg13"}, {22, "bg00"}, {35, "bg13"}};
  Show(30, English, [&](CAlientWnd& w) {
    while (CAlientWnd::FrameCounter() % CAlientWnd::kFrameNames != 0) w.nextFrame();
    const cwui::Control& fore = *w.window()->find("foreImage");
    for (int done = 0; const auto& c : cases) {
      for (; done < c.ticks; ++done) {
        w.nextFrame();
        EXPECT_NE(w.window()->images().get(fore.attribute("bkimage")), nullptr) << "empty after tick " << done + 1;
      }
      EXPECT_EQ(fore.attribute("bkimage"), std::string("skin/gif/") + c.shown + ".png") << c.ticks;
    }
    host->close(0);
  });
}

TEST_F(LaunchWindow, CloseButtonEndsTheWaitAndMinimiseButtonMinimises) {
  bool minimised = false;
  const int result = Show(30, English, [&](CAlientWnd& w) {
    uitest::Press(*w.window(), "minbtn");
    minimised = host->minimized() && !host->closed();
    uitest::Press(*w.window(), "closebtn");
  });
  EXPECT_EQ(result, CAlientWnd::kClosedByUser);
  EXPECT_LT(seconds, 5.0);  // not the 30 s
  EXPECT_TRUE(minimised);
  EXPECT_EQ(starts.size(), 1u);
}

}  // namespace
