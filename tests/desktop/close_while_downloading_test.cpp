// Closing while the download runs asks first: No keeps it going, Yes ends
// the program with the close code of the running page.
#include "InstallerDesktop.h"
#include "RecordReading.h"

#include <algorithm>

namespace {

using desktoptest::InstallerDesktop;

class CloseWhileDownloading : public InstallerDesktop {
 protected:
  // Clicks the running page's Close and answers the question with `answer`.
  void CloseAndAnswer(const std::string& answer, const std::string& step) {
    ASSERT_TRUE(ClickNode("Schließen", ATSPI_ROLE_PUSH_BUTTON));
    const cwtest::Ref question = Frame(desktoptest::kBoxTitle);
    ASSERT_TRUE(question) << Tree(app.get());
    EXPECT_TRUE(NodeWhere([](AtspiAccessible* n) {
      return cwtest::NameOf(n).find("Möchten Sie die Installation wirklich abbrechen?") != std::string::npos;
    }, question.get())) << Tree(question.get());
    EXPECT_TRUE(Node("Ja", ATSPI_ROLE_PUSH_BUTTON, question.get()));
    Shot(step);
    ASSERT_TRUE(ClickNode(answer, ATSPI_ROLE_PUSH_BUTTON, question.get()));
    EXPECT_TRUE(WaitFor([&] { return !cwtest::HasState(question.get(), ATSPI_STATE_SHOWING); })) << "the box goes";
  }
};

TEST_F(CloseWhileDownloading, NoKeepsGoingYesEndsWithClose02) {
  SlowDownloads(150000);  // about half a minute for the package
  ASSERT_TRUE(StartInstaller("de_DE.UTF-8"));
  ASSERT_TRUE(ClickNode("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON));
  ASSERT_TRUE(Node("install_progress", ATSPI_ROLE_PROGRESS_BAR, nullptr, 10000)) << Tree();
  WatchProgress(2, 20000);
  Shot("downloading");

  CloseAndAnswer("Nein", "cancel-question");
  const double before = ProgressValue();
  const std::vector<double> later = WatchProgress(before + 1, 20000);
  ASSERT_FALSE(later.empty());
  EXPECT_GT(later.back(), before) << "the download goes on after No";
  EXPECT_EQ(program->Wait(0), -1) << "still running";
  Shot("still-downloading");

  CloseAndAnswer("Ja", "cancel-question-again");
  EXPECT_TRUE(WaitFor([&] { return !cwtest::HasState(main.get(), ATSPI_STATE_SHOWING); })) << "the window goes";
  // The download has most of its half minute to go: ending "at once" means before it could have finished.
  EXPECT_EQ(WaitForExit(10000), 0) << "Yes ends the program";
  EXPECT_LT(later.back(), 85) << "closed while downloading, not verifying";

  const auto views = desktoptest::PageViews(server->Records());
  EXPECT_EQ(desktoptest::FirstMissingInOrder(views, {"2.DownStart|", "Close|close02"}), "") << desktoptest::Lines(views);
  EXPECT_EQ(std::count(views.begin(), views.end(), "Close|close02"), 1) << desktoptest::Lines(views);
  const auto funnel = desktoptest::FunnelEvents(server->Records());
  EXPECT_EQ(desktoptest::FirstMissingInOrder(funnel, {"Downloading/DownStart", "Downloading/Close"}), "")
      << desktoptest::Lines(funnel);
}

}  // namespace
