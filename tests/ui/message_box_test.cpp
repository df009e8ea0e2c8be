// The message box in the headless host with the shipped skin: its answers,
// what Yes does to the main window, the data-clearing message of the two
// install failures, and AutoRun answering only boxes without a choice.
#include "resources/SkinArchive.h"

#include "toolkit/HeadlessHost.h"
#include "ui/WindowTestSupport.h"
#include "ui/MessageBoxWnd.h"

#include <vector>

namespace {

class MessageBox : public SkinArchive {
 protected:
  ui::MessageBoxWnd::Environment Env(bool autoRun = false) {
    ui::MessageBoxWnd::Environment env;
    env.archive = Source();
    env.makeHost = [](cwui::Window& w, cwui::MessageLoop& l) { return std::make_unique<cwui::HeadlessHost>(w, l); };
    env.autoRun = autoRun;
    env.postToParent = [this](int message) { posted.push_back(message); };
    return env;
  }
  // Presses a button of the box once its modal run has started.
  void PressLater(ui::MessageBoxWnd& box, const char* name, unsigned afterMs = 0) {
    loop.setTimer(&box, 1, afterMs, [&box, name, this] {
      loop.killTimer(&box, 1);
      uitest::Press(*box.window(), name);
    });
  }
  cwui::MessageLoop loop;
  std::vector<int> posted;
};

TEST_F(MessageBox, AnswersAsItsButtonsSay) {
  struct Case {
    EnumMsgType type;
    const char* button;
    int result;
    std::vector<int> posted;
  } cases[] = {
      {MSG_AGREE, "btn_yes", 1, {}},       {MSG_AGREE, "btn_no", 2, {}},       {MSG_AGREE, "closebtn", 2, {}},
      {MSG_MD5FAIL, "btn_yes", 1, {2943}}, {MSG_MD5FAIL, "closebtn", 2, {2943}}, {MSG_INSTALLTIMEOUT, "btn_yes", 1, {2943}},
      {MSG_URLFAIL, "closebtn", 2, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.type) + " " + c.button);
    posted.clear();
    ui::MessageBoxWnd box(c.type, English, Env());
    PressLater(box, c.button);
    EXPECT_EQ(box.showModal(nullptr, loop), c.result);
    EXPECT_EQ(posted, c.posted);
  }
}

TEST_F(MessageBox, CancelWithYesHidesBothWindowsAndBringsTheParentBackFirst) {
  auto skin = cwui::ReadSkin("<Window size=\"10,10\"/>", {});
  cwui::Window mainWindow(std::move(*skin));
  cwui::HeadlessHost parent(mainWindow, loop);
  parent.show();
  parent.minimize();
  ui::MessageBoxWnd box(MSG_CANCEL, German, Env());
  PressLater(box, "btn_yes");
  EXPECT_EQ(box.showModal(&parent, loop), 1);
  EXPECT_FALSE(parent.shown());
  EXPECT_FALSE(parent.minimized());
  EXPECT_FALSE(static_cast<cwui::HeadlessHost*>(box.host())->shown());
  EXPECT_EQ(box.window()->find("btn_yes")->text(), "Ja");
}

TEST_F(MessageBox, AutoRunAnswersOnlyBoxesWithoutAChoice) {
  ui::MessageBoxWnd error(MSG_URLFAIL, English, Env(true));
  EXPECT_EQ(error.showModal(nullptr, loop), 1);
  for (EnumMsgType type : {MSG_CANCEL, MSG_AGREE}) {
    ui::MessageBoxWnd question(type, English, Env(true));
    PressLater(question, "btn_no", 1500);
    EXPECT_EQ(question.showModal(nullptr, loop), 2) << type;
  }
}

}  // namespace
