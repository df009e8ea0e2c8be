// What screen readers see of a window: the control tree as ATK nodes (roles,
// names, states, actions) without a display, the keyboard reaching every
// link, and the real GTK window read over AT-SPI from another process:
// roles, names, states and extents, actions that notify the owner as a click
// does, and changes announced as events.
#include "support/AccessibleDesktop.h"
#include "EmbeddedResources.h"
#include "toolkit/GtkAccessibleModel.h"
#include "toolkit/GtkHost.h"
#include "toolkit/ResourceArchive.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

using cwui::a11y::NodeKey;

constexpr const char* kSkin = R"(<Window size="320,260">
  <VerticalLayout>
    <HorizontalLayout height="30"><Button name="ok" text="OK" width="100"/><Button name="close" tooltip="Close" width="40"/></HorizontalLayout>
    <HorizontalLayout height="24">
      <CheckBox name="agree" width="20" selected="true"/>
      <Text name="terms" showhtml="true" text="I accept the {a licence}licence{/a} and {a}terms{/a}"/>
    </HorizontalLayout>
    <Combo name="lang" height="28" accessiblename="Language"><ListLabelElement text="English" selected="true"/><ListLabelElement text="Deutsch"/></Combo>
    <Progress name="progress" height="10" min="0" max="200" value="20"/>
    <Label name="status" height="20" text="Ready"/>
    <Edit name="folder" height="26" tooltip="Install folder"/>
    <Button name="later" text="Later" height="30" visible="false"/>
    <TabLayout name="pages" height="40" selectedid="0">
      <Container name="first"><Label text="Page one"/></Container>
      <Container name="second"><Button name="retry" text="Retry"/></Container>
    </TabLayout>
  </VerticalLayout>
</Window>)";

cwui::Window SmallWindow() {
  std::string error;
  auto skin = cwui::ReadSkin(kSkin, {}, &error);
  EXPECT_TRUE(skin) << error;
  return cwui::Window(std::move(*skin));
}

// ---- The model, without a display

struct NodeCase {
  const char* control;
  int link;
  AtkRole role;
  const char* name;
  std::vector<AtkStateType> has, hasNot;
  const char* action;
};

TEST(AccessibleModel, RolesNamesStatesAndActions) {
  cwui::Window window = SmallWindow();
  const NodeCase cases[] = {
      {"ok", -1, ATK_ROLE_PUSH_BUTTON, "OK", {ATK_STATE_ENABLED, ATK_STATE_FOCUSABLE, ATK_STATE_SHOWING}, {ATK_STATE_CHECKABLE}, "click"},
      {"close", -1, ATK_ROLE_PUSH_BUTTON, "Close", {ATK_STATE_SENSITIVE}, {}, "click"},
      {"agree", -1, ATK_ROLE_CHECK_BOX, "agree", {ATK_STATE_CHECKABLE, ATK_STATE_CHECKED}, {}, "click"},
      {"terms", -1, ATK_ROLE_LABEL, "I accept the licence and terms", {ATK_STATE_SHOWING}, {ATK_STATE_FOCUSABLE}, nullptr},
      {"terms", 0, ATK_ROLE_LINK, "licence", {ATK_STATE_FOCUSABLE, ATK_STATE_SHOWING}, {}, "click"},
      {"lang", -1, ATK_ROLE_COMBO_BOX, "Language", {ATK_STATE_EXPANDABLE}, {ATK_STATE_EXPANDED}, "press"},
      {"progress", -1, ATK_ROLE_PROGRESS_BAR, "progress", {ATK_STATE_VISIBLE}, {ATK_STATE_FOCUSABLE}, nullptr},
      {"status", -1, ATK_ROLE_LABEL, "Ready", {}, {}, nullptr},
      {"folder", -1, ATK_ROLE_ENTRY, "Install folder", {ATK_STATE_EDITABLE, ATK_STATE_SINGLE_LINE}, {}, nullptr},
      {"later", -1, ATK_ROLE_PUSH_BUTTON, "Later", {}, {ATK_STATE_VISIBLE, ATK_STATE_SHOWING}, "click"},
      {"pages", -1, ATK_ROLE_PAGE_TAB_LIST, "pages", {}, {}, nullptr},
      {"first", -1, ATK_ROLE_PAGE_TAB, "first", {ATK_STATE_SELECTED, ATK_STATE_SHOWING}, {}, nullptr},
      {"second", -1, ATK_ROLE_PAGE_TAB, "second", {ATK_STATE_SELECTABLE}, {ATK_STATE_SELECTED, ATK_STATE_SHOWING}, nullptr},
  };
  for (const NodeCase& c : cases) {
    const NodeKey key{window.find(c.control), c.link};
    ASSERT_NE(key.control, nullptr) << c.control;
    EXPECT_EQ(cwui::a11y::RoleOf(key), c.role) << c.control;
    EXPECT_EQ(cwui::a11y::NameOf(window, key), c.name) << c.control;
    const auto states = cwui::a11y::StatesOf(window, key);
    for (AtkStateType s : c.has) EXPECT_NE(std::find(states.begin(), states.end(), s), states.end()) << c.control << " " << s;
    for (AtkStateType s : c.hasNot) EXPECT_EQ(std::find(states.begin(), states.end(), s), states.end()) << c.control << " " << s;
    EXPECT_STREQ(cwui::a11y::ActionOf(key), c.action) << c.control;
  }
}

std::vector<std::string> Names(const cwui::Window& window, NodeKey key) {
  std::vector<std::string> names;
  for (const NodeKey& child : cwui::a11y::ChildrenOf(window, key)) names.push_back(cwui::a11y::NameOf(window, child));
  return names;
}

TEST(AccessibleModel, LayoutsAreFlattenedAndHiddenControlsLeftOut) {
  cwui::Window window = SmallWindow();
  const NodeKey root{window.skin().root.get(), -1};
  EXPECT_EQ(Names(window, root),
            (std::vector<std::string>{"OK", "Close", "agree", "I accept the licence and terms", "Language", "progress",
                                      "Ready", "Install folder", "pages"}));
  EXPECT_EQ(Names(window, {window.find("terms"), -1}), (std::vector<std::string>{"licence", "terms"}));
  EXPECT_EQ(Names(window, {window.find("lang"), -1}), (std::vector<std::string>{"English", "Deutsch"}));
  EXPECT_EQ(Names(window, {window.find("pages"), -1}), (std::vector<std::string>{"first", "second"}));
  EXPECT_EQ(Names(window, {window.find("first"), -1}), (std::vector<std::string>{"Page one"}));
  EXPECT_TRUE(Names(window, {window.find("second"), -1}).empty());  // not the shown page
  EXPECT_EQ(cwui::a11y::ParentOf(window, {window.find("retry"), -1}).control, window.find("second"));
  EXPECT_EQ(cwui::a11y::ParentOf(window, {window.find("ok"), -1}), root);
  window.selectItem(*window.find("pages"), 1);
  window.setVisible(*window.find("later"), true);
  EXPECT_EQ(Names(window, {window.find("second"), -1}), (std::vector<std::string>{"Retry"}));
  EXPECT_EQ(Names(window, root).back(), "pages");
  EXPECT_EQ(Names(window, root)[8], "Later");
}

TEST(AccessibleModel, NamesAreValidUtf8AndBounded) {
  cwui::Window window = SmallWindow();
  cwui::Control& status = *window.find("status");
  window.setText(status, std::string(3000, 'a') + "\xff");
  const std::string name = cwui::a11y::NameOf(window, {&status, -1});
  EXPECT_LE(name.size(), cwui::a11y::kMaxNameBytes);
  EXPECT_TRUE(g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr));
  window.setText(status, "caf\xc3\xa9\xff");
  EXPECT_TRUE(g_utf8_validate(cwui::a11y::TextOf(status).c_str(), -1, nullptr));
}

// ---- The keyboard reaches what a pointer does

// What the owner hears, as "type:sender[:link or new item]" lines; focus moves left out.
void RecordNotifications(cwui::Window& window, const std::function<void(const std::string&)>& line) {
  window.setNotifier([line](const cwui::Notification& n) {
    if (n.type == "setfocus") return;
    line(n.type + ":" + n.sender->name() + (n.type == "link" ? ":" + n.link : "") +
         (n.type == "itemselect" ? ":" + std::to_string(n.newIndex) : ""));
  });
}

struct Seen {
  std::vector<std::string> lines;
  void Record(cwui::Window& window) {
    RecordNotifications(window, [this](const std::string& line) { lines.push_back(line); });
  }
};

TEST(AccessibleKeyboard, EveryLinkIsATabStopThatSpaceFollows) {
  cwui::Window window = SmallWindow();
  Seen seen;
  seen.Record(window);
  std::vector<std::string> stops;
  for (int i = 0; i < 6; ++i) {
    window.keyPress(cwui::Key::Tab);
    stops.push_back(window.focused()->name() + (window.focusedLink() >= 0 ? "#" + std::to_string(window.focusedLink()) : ""));
  }
  EXPECT_EQ(stops, (std::vector<std::string>{"ok", "close", "agree", "terms#0", "terms#1", "lang"}));
  window.keyPress(cwui::Key::Tab, true);
  EXPECT_TRUE(window.keyPress(cwui::Key::Space));
  window.keyPress(cwui::Key::Tab, true);
  EXPECT_TRUE(window.keyPress(cwui::Key::Return));
  EXPECT_EQ(seen.lines, (std::vector<std::string>{"link:terms:1", "link:terms:licence"}));
}

// What the AT-SPI test cannot see: a hidden control does nothing, a combo
// opens its list, and the click focuses as a pointer's does.
TEST(AccessibleKeyboard, PerformDoesWhatAClickDoes) {
  cwui::Window window = SmallWindow();
  Seen seen;
  seen.Record(window);
  cwui::a11y::Perform(window, {window.find("later"), -1});
  cwui::a11y::Perform(window, {window.find("lang"), -1});
  EXPECT_EQ(window.dropBox().combo, window.find("lang"));
  EXPECT_EQ(window.focused(), window.find("lang"));
  cwui::a11y::Perform(window, {window.find("lang")->children()[1].get(), -1});
  EXPECT_EQ(window.dropBox().combo, nullptr) << "choosing closes the list";
  EXPECT_EQ(seen.lines, (std::vector<std::string>{"itemselect:lang:1"}));
}

// ---- The real window, read over AT-SPI

constexpr const char* kChildDir = "CW_A11Y_CHILD_DIR";
constexpr const char* kChildSkin = "CW_A11Y_CHILD_SKIN";

// The window of the child process: shows a skin, writes what its owner hears
// to "heard", and applies the lines the test appends to "commands".
TEST(AccessibilityChild, DISABLED_ShowsWindow) {
  const char* dir = std::getenv(kChildDir);
  if (dir == nullptr) GTEST_SKIP() << "run by AccessibleWindow";
  ASSERT_TRUE(cwui::GtkHost::Init()) << "no display at " << (std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(unset)");
  std::optional<cwui::Skin> skin;
  if (std::string(std::getenv(kChildSkin)) == "main") {
    auto& archive = cwui::CResourceArchive::Instance();
    ASSERT_TRUE(archive.Open(EmbeddedResourceData(), EmbeddedResourceSize()));
    skin = cwui::ReadSkin(*archive.Read("InstallMainWnd.xml"), [&archive](const std::string& p) { return archive.Read(p); });
  } else {
    skin = cwui::ReadSkin(kSkin, {});
  }
  ASSERT_TRUE(skin);
  cwui::Window window(std::move(*skin));
  std::ofstream heard(std::string(dir) + "/heard");
  RecordNotifications(window, [&heard](const std::string& line) { heard << line << std::endl; });
  cwui::MessageLoop loop;
  cwui::GtkHost host(window, loop);
  host.show();
  std::size_t done = 0;  // commands applied
  loop.setTimer(&window, 1, 20, [&] {
    std::ifstream in(std::string(dir) + "/commands");
    std::string what, name, value;
    for (std::size_t n = 0; in >> what >> name >> value; ++n) {
      if (n < done) continue;
      done = n + 1;
      cwui::Control* c = window.find(name);
      if (c == nullptr) continue;
      const int number = std::atoi(value.c_str());
      if (what == "value") window.setValue(*c, number);
      if (what == "visible") window.setVisible(*c, number == 1);
      if (what == "text") window.setText(*c, value);
      if (what == "check") window.select(*c, number == 1);
      if (what == "page") window.selectItem(*c, number);
      if (what == "focus") window.setFocus(c);
    }
  });
  loop.run();
}

class AccessibleWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_desktop = std::make_unique<cwtest::AccessibleDesktop>();
    s_missing = s_desktop->Start();
  }
  static void TearDownTestSuite() { s_desktop.reset(); }

  void Open(const char* skin) {
    if (!s_missing.empty()) {
      if (std::getenv("CI") != nullptr) FAIL() << s_missing;
      GTEST_SKIP() << s_missing;
    }
    dir = std::make_unique<cwtest::TempDir>();
    std::ofstream(*dir / "commands").flush();
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    child = std::make_unique<cwtest::ChildProcess>(
        self, std::vector<std::string>{"--gtest_filter=AccessibilityChild.DISABLED_ShowsWindow", "--gtest_also_run_disabled_tests"},
        std::map<std::string, std::string>{{kChildDir, dir->path()}, {kChildSkin, skin}}, *dir / "child.log");
    app = cwtest::FindApplication(child->pid());
    ASSERT_TRUE(app) << "the window's application never registered; its output:\n"
                     << cwtest::ReadFile(*dir / "child.log") << "\nXvfb:\n"
                     << cwtest::ReadFile(s_desktop->dir() / "xvfb.log");
    frame.reset(atspi_accessible_get_child_at_index(app.get(), 0, nullptr));
    ASSERT_TRUE(frame) << "the application shows no window";
  }

  cwtest::Ref Find(const std::string& name, AtspiRole role = ATSPI_ROLE_INVALID) {
    cwtest::Ref found;
    cwtest::Pump([&] { return static_cast<bool>(found = cwtest::FindNode(frame.get(), name, role)); }, 3000);
    return found;
  }

  void Command(const std::string& line) { std::ofstream(*dir / "commands", std::ios::app) << line << "\n"; }

  bool Heard(const std::string& line) {
    return cwtest::Pump([&] {
      std::ifstream in(*dir / "heard");
      for (std::string l; std::getline(in, l);) {
        if (l == line) return true;
      }
      return false;
    });
  }

  static inline std::unique_ptr<cwtest::AccessibleDesktop> s_desktop;
  static inline std::string s_missing;
  std::unique_ptr<cwtest::TempDir> dir;
  std::unique_ptr<cwtest::ChildProcess> child;
  cwtest::Ref app, frame;
};

TEST_F(AccessibleWindow, ScreenReadersSeeRolesNamesStatesAndExtents) {
  Open("small");
  if (HasFatalFailure() || IsSkipped()) return;
  struct Case {
    const char* name;
    AtspiRole role;
    std::vector<AtspiStateType> states;
  };
  const Case cases[] = {
      {"OK", ATSPI_ROLE_PUSH_BUTTON, {ATSPI_STATE_ENABLED, ATSPI_STATE_FOCUSABLE, ATSPI_STATE_SHOWING}},
      {"agree", ATSPI_ROLE_CHECK_BOX, {ATSPI_STATE_CHECKED}},
      {"licence", ATSPI_ROLE_LINK, {ATSPI_STATE_FOCUSABLE}},
      {"Language", ATSPI_ROLE_COMBO_BOX, {ATSPI_STATE_EXPANDABLE}},
      {"English", ATSPI_ROLE_LIST_ITEM, {ATSPI_STATE_SELECTED}},
      {"progress", ATSPI_ROLE_PROGRESS_BAR, {ATSPI_STATE_VISIBLE}},
      {"Install folder", ATSPI_ROLE_ENTRY, {ATSPI_STATE_EDITABLE}},
      {"first", ATSPI_ROLE_PAGE_TAB, {ATSPI_STATE_SELECTED}},
  };
  for (const Case& c : cases) {
    cwtest::Ref node = Find(c.name);
    ASSERT_TRUE(node) << c.name;
    EXPECT_EQ(atspi_accessible_get_role(node.get(), nullptr), c.role) << c.name;
    for (AtspiStateType s : c.states) EXPECT_TRUE(cwtest::HasState(node.get(), s)) << c.name << " " << s;
  }
  // The focused edit's own GTK entry is in the tree too, named as the edit is.
  Command("focus folder 1");
  cwtest::Ref entry = Find("Install folder", ATSPI_ROLE_TEXT);
  ASSERT_TRUE(entry);
  EXPECT_TRUE(cwtest::Pump([&] { return cwtest::HasState(entry.get(), ATSPI_STATE_SHOWING); }));
  // Extents: the rectangles of the skin, from the frame's corner on the screen.
  const AtspiRect frameBox = cwtest::ExtentsOf(frame.get(), ATSPI_COORD_TYPE_SCREEN);
  for (const auto& [name, x, y, width, height] : {std::tuple{"OK", 0, 0, 100, 30}, std::tuple{"Close", 100, 0, 40, 30}}) {
    const cwtest::Ref node = Find(name);
    const AtspiRect inWindow = cwtest::ExtentsOf(node.get(), ATSPI_COORD_TYPE_WINDOW);
    const AtspiRect onScreen = cwtest::ExtentsOf(node.get(), ATSPI_COORD_TYPE_SCREEN);
    EXPECT_EQ((std::vector{inWindow.x, inWindow.y, inWindow.width, inWindow.height}), (std::vector{x, y, width, height}));
    EXPECT_EQ((std::vector{onScreen.x, onScreen.y}), (std::vector{frameBox.x + x, frameBox.y + y})) << name;
  }
}

TEST_F(AccessibleWindow, ActionsNotifyTheOwnerAsAClickDoes) {
  Open("small");
  if (HasFatalFailure() || IsSkipped()) return;
  struct Case {
    const char* name;
    const char* action;
    const char* heard;
  };
  const Case cases[] = {
      {"OK", "click", "click:ok"},
      {"agree", "click", "selectchanged:agree"},
      {"licence", "click", "link:terms:licence"},
      {"Deutsch", "click", "itemselect:lang:1"},
  };
  for (const Case& c : cases) {
    cwtest::Ref node = Find(c.name);
    ASSERT_TRUE(node) << c.name;
    AtspiAction* action = atspi_accessible_get_action_iface(node.get());
    ASSERT_NE(action, nullptr) << c.name;
    gchar* name = atspi_action_get_action_name(action, 0, nullptr);
    EXPECT_STREQ(name, c.action) << c.name;
    g_free(name);
    EXPECT_TRUE(atspi_action_do_action(action, 0, nullptr)) << c.name;
    EXPECT_TRUE(Heard(c.heard)) << c.name;
    g_object_unref(action);
  }
}

TEST_F(AccessibleWindow, ChangesAreAnnounced) {
  Open("small");
  if (HasFatalFailure() || IsSkipped()) return;
  // Everything asked for once, as a screen reader's first look does.
  for (const char* name : {"progress", "agree", "Ready", "first", "second", "OK", "pages"}) ASSERT_TRUE(Find(name)) << name;
  cwtest::EventLog log({"object:property-change:accessible-value", "object:value-changed", "object:children-changed",
                        "object:state-changed", "object:property-change:accessible-name"});
  struct Case {
    const char* command;
    std::vector<std::string> events;  // any one of them
  };
  const Case cases[] = {
      {"value progress 120", {"object:property-change:accessible-value|progress|0", "object:value-changed|progress|0"}},
      {"check agree 0", {"object:state-changed:checked|agree|0"}},
      {"text status Done", {"object:property-change:accessible-name|Done|0"}},
      {"visible later 1", {"object:children-changed:add||8", "object:children-changed:add|Later|8"}},
      {"page pages 1", {"object:state-changed:selected|second|1"}},
      {"focus ok 1", {"object:state-changed:focused|OK|1"}},
  };
  for (const Case& c : cases) {
    log.events.clear();
    Command(c.command);
    const bool seen = cwtest::Pump([&] {
      for (const std::string& e : c.events) {
        if (std::find(log.events.begin(), log.events.end(), e) != log.events.end()) return true;
      }
      return false;
    });
    std::string all;
    for (const std::string& e : log.events) all += e + "\n";
    EXPECT_TRUE(seen) << c.command << ", heard:\n" << all;
  }
  cwtest::Ref progress = Find("progress");
  AtspiValue* value = atspi_accessible_get_value_iface(progress.get());
  EXPECT_EQ(atspi_value_get_current_value(value, nullptr), 120);
  EXPECT_EQ(atspi_value_get_maximum_value(value, nullptr), 200);
  g_object_unref(value);
}

TEST_F(AccessibleWindow, ShippedMainWindowIsReachable) {
  Open("main");
  if (HasFatalFailure() || IsSkipped()) return;
  // The shown page's controls, wherever the layout nests them.
  std::map<AtspiRole, int> roles;
  ASSERT_TRUE(cwtest::Pump([&] {
    roles.clear();
    cwtest::WalkNodes(frame.get(), [&roles](AtspiAccessible* node) {
      ++roles[atspi_accessible_get_role(node, nullptr)];
      return false;
    });
    return roles[ATSPI_ROLE_PAGE_TAB] > 0;
  }));
  for (AtspiRole role : {ATSPI_ROLE_PAGE_TAB_LIST, ATSPI_ROLE_PAGE_TAB, ATSPI_ROLE_PUSH_BUTTON, ATSPI_ROLE_CHECK_BOX}) {
    EXPECT_GT(roles[role], 0) << atspi_role_get_name(role);
  }
}

}  // namespace
