// The GTK host on a private X server, driven by xdotool: clicks reach the
// button under them, only a drag in the caption band off the controls moves
// the window, and typing into the focused edit lands in its text.
#include "DesktopWindows.h"
#include "EmbeddedResources.h"
#include "toolkit/GtkHost.h"
#include "toolkit/ResourceArchive.h"

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>

// Last: Xlib's macros (None, Bool) would break GoogleTest's names.
#include <gdk/gdkx.h>
#undef None
#undef Bool

namespace {

// close sits in the caption band; ok and cancel below it.
constexpr const char* kSkin = R"(<Window size="300,200" caption="0,0,0,40">
  <VerticalLayout>
    <HorizontalLayout height="40"><Control/><Button name="close" width="40"/></HorizontalLayout>
    <HorizontalLayout height="40"><Button name="ok" width="100"/><Button name="cancel" width="100"/></HorizontalLayout>
    <Edit name="name" height="30"/>
  </VerticalLayout>
</Window>)";

std::string FindTool(const char* name) {
  gchar* path = g_find_program_in_path(name);
  std::string found = path != nullptr ? path : "";
  g_free(path);
  return found;
}

class GtkHostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_xdotool = FindTool("xdotool");
    const std::string xvfb = FindTool("Xvfb");
    if (s_xdotool.empty() || xvfb.empty()) return;
    s_dir = std::make_unique<cwtest::TempDir>();
    const std::string log = *s_dir / "xvfb.log";
    // -displayfd: the server picks a free display and writes its number once it listens.
    s_xvfb = std::make_unique<cwtest::ChildProcess>(
        xvfb, std::vector<std::string>{"-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "640x480x24"},
        std::map<std::string, std::string>{}, log);
    std::string display;
    cwtest::WaitUntil(10000, [&] {
      std::ifstream in(log);
      for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos) display = line;
      }
      return !display.empty();
    });
    if (display.empty()) return;
    setenv("DISPLAY", (":" + display).c_str(), 1);
    setenv("GDK_BACKEND", "x11", 1);
    // No accessibility bus here: without it the bridge's start-up keeps
    // buffers for the life of the process, which the leak checker reports.
    setenv("NO_AT_BRIDGE", "1", 1);
    s_ready = cwui::GtkHost::Init();
  }
  static void TearDownTestSuite() { s_xvfb.reset(); }

  void SetUp() override {
    if (s_xdotool.empty() || !s_xvfb) {
      if (std::getenv("CI") != nullptr) FAIL() << "Xvfb or xdotool is missing";
      GTEST_SKIP() << "Xvfb or xdotool is missing";
    }
    ASSERT_TRUE(s_ready) << "no display from Xvfb";
    std::string error;
    auto skin = cwui::ReadSkin(kSkin, {}, &error);
    ASSERT_TRUE(skin) << error;
    window.emplace(std::move(*skin));
    window->setNotifier([this](const cwui::Notification& n) { seen.push_back(n.type + ":" + n.sender->name()); });
    host = std::make_unique<cwui::GtkHost>(*window, loop);
    host->show();
    ASSERT_TRUE(RunUntil([this] { return gtk_widget_get_mapped(GTK_WIDGET(host->gtkWindow())); }));
    xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(GTK_WIDGET(host->gtkWindow()))));
  }

  // Runs the loop until `done` holds (polled every 10 ms) or the time is up.
  bool RunUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    if (done()) return true;
    int waited = 0;
    loop.setTimer(this, 1, 10, [&] {
      if (done()) loop.quit(0);
      if ((waited += 10) >= timeoutMs) loop.quit(1);
    });
    const bool ok = loop.run() == 0;
    loop.killTimer(this, 1);
    return ok;
  }

  // Runs xdotool commands one after the other on a thread while the loop
  // runs, until `done` holds after the last.
  bool Drive(const std::vector<std::vector<std::string>>& commands, const std::function<bool()>& done,
             int timeoutMs = 5000) {
    std::atomic<bool> finished = false;
    std::thread driver([&] {
      for (const auto& args : commands) {
        cwtest::ChildProcess tool(s_xdotool, args, {});
        EXPECT_EQ(tool.Wait(5000), 0) << args[0];
      }
      finished = true;
    });
    const bool ok = RunUntil([&] { return finished && done(); }, timeoutMs);
    driver.join();
    return ok;
  }

  std::vector<std::string> Click(int x, int y) {
    return {"mousemove", "--window", xid, std::to_string(x), std::to_string(y), "click", "1"};
  }

  std::vector<std::string> Clicks() const {
    std::vector<std::string> clicks;
    for (const std::string& s : seen) {
      if (s.rfind("click:", 0) == 0) clicks.push_back(s);
    }
    return clicks;
  }

  static inline std::string s_xdotool;
  static inline std::unique_ptr<cwtest::TempDir> s_dir;
  static inline std::unique_ptr<cwtest::ChildProcess> s_xvfb;
  static inline bool s_ready = false;

  cwui::MessageLoop loop;
  std::optional<cwui::Window> window;
  std::unique_ptr<cwui::GtkHost> host;
  std::string xid;
  std::vector<std::string> seen;
};

TEST_F(GtkHostTest, ClicksReachTheButtonUnderThem) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> points;
    std::vector<std::string> clicks;
  };
  const Case cases[] = {
      {"button below the caption", {{150, 60}}, {"click:cancel"}},
      {"button inside the caption band", {{280, 20}}, {"click:close"}},
      // ok's click comes after the caption press: had the press clicked, it would show first.
      {"caption band off the buttons, then ok", {{100, 20}, {50, 60}}, {"click:ok"}},
  };
  for (const Case& c : cases) {
    seen.clear();
    std::vector<std::vector<std::string>> commands;
    for (const auto& [x, y] : c.points) commands.push_back(Click(x, y));
    EXPECT_TRUE(Drive(commands, [&] { return Clicks().size() >= c.clicks.size(); })) << c.what;
    EXPECT_EQ(Clicks(), c.clicks) << c.what;
  }
}

TEST_F(GtkHostTest, OnlyThePlainCaptionBandMovesTheWindow) {
  struct Case {
    const char* what;
    int x, y;
    bool moves;
  };
  const Case cases[] = {
      {"caption band off the buttons", 100, 20, true},
      {"button inside the caption band", 280, 20, false},
      {"below the caption band", 250, 60, false},
  };
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(host->gtkWindow()));
  for (const Case& c : cases) {
    int left = 0, top = 0, nowLeft = 0, nowTop = 0;
    gdk_window_get_origin(gdk, &left, &top);
    // The window follows the pointer, so the release lands where the press was.
    const std::vector<std::vector<std::string>> drag = {
        {"mousemove", "--window", xid, std::to_string(c.x), std::to_string(c.y), "mousedown", "1"},
        {"mousemove_relative", "--sync", "40", "30"},
        {"mouseup", "1"}};
    // A move shows within moments; one that should not happen gets a second to show.
    const bool moved = Drive(
        drag,
        [&] {
          gdk_window_get_origin(gdk, &nowLeft, &nowTop);
          return nowLeft == left + 40 && nowTop == top + 30;
        },
        c.moves ? 5000 : 1000);
    EXPECT_EQ(moved, c.moves) << c.what << ": " << nowLeft - left << "," << nowTop - top;
  }
}

TEST_F(GtkHostTest, TypingIntoTheFocusedEditReachesItsText) {
  cwui::Control& edit = *window->find("name");
  const int x = (edit.rect.left + edit.rect.right) / 2, y = (edit.rect.top + edit.rect.bottom) / 2;
  EXPECT_TRUE(Drive({Click(x, y), {"windowfocus", "--sync", xid}, {"type", "--delay", "20", "héllo"}},
                    [&] { return edit.text() == "héllo"; }))
      << edit.text();
  EXPECT_EQ(window->focused(), &edit);
  EXPECT_EQ(seen.back(), "textchanged:name");
}

// Before any main window, start-up's message box is a window of its own on
// the display, answered here by Escape.
TEST_F(GtkHostTest, StartupMessageBoxIsShownOnTheDisplay) {
  ASSERT_TRUE(cwui::CResourceArchive::Instance().Open(EmbeddedResourceData(), EmbeddedResourceSize()));
  std::thread answer([] {
    cwtest::ChildProcess tool(s_xdotool, {"search", "--sync", "--name", "MSGUIDemo", "windowfocus", "--sync", "%1",
                                          "key", "Escape"}, {});
    EXPECT_EQ(tool.Wait(10000), 0);
  });
  ShowStartupMessageBox(MSG_NOTSUPPORTSYSTEM, Japanese);
  answer.join();
}

// The plain box from GTK's thread and from another: no owner, no title, the
// text; the caller waits until OK, and the loop's timers run meanwhile.
TEST_F(GtkHostTest, PlainMessageWaitsForOkWhileTheLoopRuns) {
  for (const bool otherThread : {false, true}) {
    std::atomic<bool> returned = false;
    int ticks = 0;
    std::string seen;
    loop.setTimer(this, 2, 20, [&] {
      GList* windows = gtk_window_list_toplevels();
      for (GList* it = windows; it != nullptr; it = it->next) {
        GtkWindow* box = GTK_WINDOW(it->data);
        if (!GTK_IS_MESSAGE_DIALOG(box) || !gtk_widget_get_mapped(GTK_WIDGET(box)) || ++ticks < 5) continue;
        loop.killTimer(this, 2);
        gchar* text = nullptr;
        g_object_get(box, "text", &text, nullptr);
        seen = std::string(text) + "|" + (gtk_window_get_title(box) ? gtk_window_get_title(box) : "none") +
               (gtk_window_get_transient_for(box) ? "|owned" : "");
        g_free(text);
        EXPECT_FALSE(returned);
        gtk_button_clicked(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK)));
      }
      g_list_free(windows);
    });
    const auto show = [&] {
      cwui::GtkHost::ShowPlainMessage("Start it from its shortcut.");
      returned = true;
    };
    if (otherThread) {
      std::thread caller(show);
      EXPECT_TRUE(RunUntil([&] { return returned.load(); }, 10000));
      caller.join();
    } else {
      show();
    }
    loop.killTimer(this, 2);
    EXPECT_EQ(seen, "Start it from its shortcut.|") << otherThread;
  }
}

// Xvfb has no compositor: a transparent skin's window is cut to the card it
// paints, so its corner shows the screen behind it (Xvfb's root),
// not a white square.
TEST_F(GtkHostTest, TransparentSkinWithoutCompositorIsCutToItsCard) {
  ASSERT_FALSE(gdk_screen_is_composited(gdk_screen_get_default()));
  ASSERT_TRUE(cwui::CResourceArchive::Instance().Open(EmbeddedResourceData(), EmbeddedResourceSize()));
  const cwui::LayoutSource source = [](const std::string& path) { return cwui::CResourceArchive::Instance().Read(path); };
  auto skin = cwui::ReadSkin(source("skin/transWnd.xml").value_or(""), source);
  ASSERT_TRUE(skin);
  host->hide();  // nothing of ours behind the card
  cwui::Window card(std::move(*skin), source);
  cwui::GtkHost cardHost(card, loop);
  cardHost.show();
  GtkWidget* widget = GTK_WIDGET(cardHost.gtkWindow());
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_get_mapped(widget); }));
  RunUntil([] { return false; }, 300);  // painted
  int left = 0, top = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget), &left, &top);
  GdkPixbuf* shot = gdk_pixbuf_get_from_window(gdk_get_default_root_window(), left, top, 320, 320);
  ASSERT_NE(shot, nullptr);
  const auto whiteIn = [shot](int x0, int y0) {  // of a 6 x 6 square
    int white = 0;
    for (int i = 0; i < 36; ++i) {
      const guchar* p = gdk_pixbuf_get_pixels(shot) + (y0 + i / 6) * gdk_pixbuf_get_rowstride(shot) + (x0 + i % 6) * 3;
      white += p[0] > 230 && p[1] > 230 && p[2] > 230 ? 1 : 0;
    }
    return white;
  };
  EXPECT_LT(whiteIn(0, 0), 36) << "the corner outside the card";
  EXPECT_EQ(whiteIn(40, 230), 36) << "the card";
  g_object_unref(shot);
}

}  // namespace
