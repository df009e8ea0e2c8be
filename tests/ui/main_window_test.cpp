// The main window in the headless host: start-up, the Install click and its
// agreement box, the folder rule, the bar and its timers, the pages the
// install thread's messages lead to, and the close codes.
#include "MainWindowFixture.h"

#include "DownLoadImpl.h"
#include "resources/TextFit.h"

#include "platform/paths.h"

#include <vector>

namespace {

TEST_F(MainWindow, StartsClosedInTheSystemsLanguageOrEnglishForAHiddenOne) {
  const std::pair<EnumLanguage, EnumLanguage> cases[] = {{Japanese, Japanese}, {Thai, English}, {Czech, English}};
  for (const auto& [system, shown] : cases) {
    systemLanguage = system;
    auto main = Create();
    EXPECT_EQ(main->currentLanguage(), shown) << system;
    EXPECT_EQ(main->window()->skin().size.cy, 360);
    EXPECT_EQ(main->window()->find("language_combox")->selectedItem, shown);
    EXPECT_TRUE(main->window()->find("license_checkbox")->selected);  // the shipped ChooseLicense is 1
    EXPECT_EQ(main->window()->find("install_file_path_edit")->text(), "/apps/Quorla");
    // Named for screen readers by the licence line, without its markup.
    const std::string name = main->window()->find("license_checkbox")->attribute("accessiblename");
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name.find_first_of("{}<>"), std::string::npos) << name;
    EXPECT_EQ(main->window()->find("closebtn")->attribute("accessiblename"),
              main->window()->find("install_closebtn")->text());
  }
  log->WaitThreadForExit();
  const auto actions = Actions();
  ASSERT_GE(actions.size(), 3u);
  EXPECT_EQ(actions[0], "Start");
  EXPECT_EQ(Count("1.Launch"), 3);
  EXPECT_EQ(Count("ClickToShowTime"), 3);
}

TEST_F(MainWindow, InstallWithoutTheLicenceAsksAndDisagreeLeavesThePage) {
  auto main = Create();
  cwui::Window& w = *main->window();
  w.select(*w.find("license_checkbox"), false);
  AnswerBox("btn_no");
  Press(w, "install_btn");
  EXPECT_EQ(checksRun, 0);
  EXPECT_EQ(w.find("main_tablayout")->selectedId, 0);
  EXPECT_FALSE(w.find("license_checkbox")->selected);

  AnswerBox("btn_yes");
  checksPass = false;
  Press(w, "install_btn");
  EXPECT_TRUE(w.find("license_checkbox")->selected);
  Press(w, "install_btn");
  EXPECT_EQ(checksRun, 2);
  log->WaitThreadForExit();
  EXPECT_EQ(Count("StartTimeDate"), 1);
  EXPECT_EQ(Count("StartTimeHour"), 1);
  EXPECT_EQ(Count("2.DownStart"), 3);
}

TEST_F(MainWindow, ChosenFolderGetsQuorlaAndTheInstallDirectoryTheProduct) {
  const struct {
    const char* chosen;
    const char* edit;
    const char* directory;
  } cases[] = {
      {"/data/Apps", "/data/Apps/Quorla", "/data/Apps/Quorla/Quorla Murmelon"},
      {"/data/Apps/", "/data/Apps/Quorla", "/data/Apps/Quorla/Quorla Murmelon"},
      {"/opt/Quorla", "/opt/Quorla", "/opt/Quorla/Quorla Murmelon"},
      {"/opt/Quorla Murmelon", "/opt/Quorla Murmelon", "/opt/Quorla Murmelon"},
  };
  for (const auto& c : cases) {
    chosenFolder = c.chosen;
    checksPass = false;
    auto main = Create();
    Press(*main->window(), "install_setting");
    EXPECT_EQ(main->window()->skin().size.cy, 560);
    Press(*main->window(), "browser_btn");
    EXPECT_EQ(main->window()->find("install_file_path_edit")->text(), c.edit);
    Press(*main->window(), "install_btn");
    EXPECT_EQ(main->installDirectory(), c.directory);
  }
  log->WaitThreadForExit();
  EXPECT_EQ(Count("SetPath"), 4);
}

TEST_F(MainWindow, BarNeverGoesBackAndTheTimersFillItToTheEnd) {
  auto main = Create();
  Press(*main->window(), "install_btn");
  main->SetProgress(85);
  main->onDownloadProgress(40, 100);
  ASSERT_TRUE(RunUntil([&] { return main->progressValue() == 85; }));
  EXPECT_EQ(main->window()->find("install_progress")->value, 85);
  EXPECT_EQ(main->window()->find("install_label")->text(), "Installing... 85%");

  // The installer ends at 95 %: the install creep hands over to the last fill.
  main->SetProgress(95);
  main->setInstallDone(true);
  main->OnTimer(ui::InstallUIMainWnd::kInstallCreep);
  EXPECT_FALSE(main->progressFinish100().Wait(0));
  for (int tick = 0; tick < 5; ++tick) main->OnTimer(ui::InstallUIMainWnd::kLastProgress);
  EXPECT_EQ(main->progressValue(), 100);
  EXPECT_TRUE(main->progressFinish100().Wait(0));

  // At 99 % the event is signalled at once.
  auto again = Create();
  again->SetProgress(99);
  again->setInstallDone(true);
  again->OnTimer(ui::InstallUIMainWnd::kInstallCreep);
  EXPECT_TRUE(again->progressFinish100().Wait(0));
}

TEST_F(MainWindow, InstallThreadsMessagesLeadToTheFinishedOrTheFailedPage) {
  installThread = [](IInstallWindow& w) {
    w.postMessage(WM_VERIFYSTART, 0);
    w.postMessage(WM_INSTALLSTART, 0);
    w.setInstallDone(true);
    w.postMessage(WM_INSTALLFINISH, 0);
  };
  auto main = Create();
  cwui::Window& w = *main->window();
  Press(w, "install_btn");
  EXPECT_EQ(w.find("main_tablayout")->selectedId, 1);
  EXPECT_EQ(w.skin().size.cy, 360);
  ASSERT_TRUE(RunUntil([&] { return main->phase() == 1; }));
  EXPECT_EQ(w.find("main_tablayout")->selectedId, 0);
  EXPECT_EQ(w.find("page_layout")->selectedId, 1);
  EXPECT_FALSE(w.find("text_fail_retry")->visible);
  EXPECT_EQ(w.find("start_app")->text(), "Start");
  EXPECT_GE(main->progressValue(), 90);

  // A download failure: its box, then the failed page with Try again.
  installThread = [](IInstallWindow& w) { w.postMessage(WM_DOWNLOADFAIL, 9); };
  auto failing = Create();
  Press(*failing->window(), "install_btn");
  AnswerBox("btn_yes");
  ASSERT_TRUE(RunUntil([&] { return failing->phase() == 1; }));
  cwui::Window& f = *failing->window();
  EXPECT_TRUE(f.find("text_fail_retry")->visible && f.find("img_warning")->visible);
  EXPECT_EQ(f.find("start_app")->text(), "Try again");
  Press(f, "start_app");
  EXPECT_TRUE(failing->isRetry());
  EXPECT_EQ(f.find("main_tablayout")->selectedId, 1);
  log->WaitThreadForExit();
  EXPECT_EQ(Count("8.DownFail"), 1);
  EXPECT_EQ(Count("8-1.ClickTryAgain"), 1);
}

// The pages as the window itself gets to them, in each of the twenty languages.
TEST_F(MainWindow, EveryPageShowsItsTextsInEveryLanguage) {
  const auto check = [](const cwui::Window& w, int language, const char* page) {
    for (const std::string& problem : textfit::Problems(w)) ADD_FAILURE() << language << " " << page << ": " << problem;
  };
  for (int language = 0; language < kEnumLanguageCount; ++language) {
    for (const bool failed : {false, true}) {
      auto main = Create();
      cwui::Window& w = *main->window();
      w.selectComboItem(*w.find("language_combox"), language);
      ASSERT_EQ(main->currentLanguage(), language);
      if (!failed) {
        main->click("install_setting");
        check(w, language, "settings panel");
      }
      main->click("install_btn");
      main->SetProgress(100);
      check(w, language, "running");
      if (failed) AnswerBox("btn_yes");
      main->OnMessage(failed ? WM_SIGNFAIL : WM_INSTALLFINISH, 0);
      check(w, language, failed ? "failed" : "finished");
    }
  }
}

TEST_F(MainWindow, CarouselStartsWithTheInstallAndItsTimerMovesToTheNextDot) {
  auto main = Create();
  cwui::Window& w = *main->window();
  Press(w, "install_btn");
  EXPECT_EQ(w.find("image_play")->attribute("bkimage"), "FirstFrame");
  EXPECT_TRUE(loop.hasTimer(main.get(), ui::InstallUIMainWnd::kCarousel));
  EXPECT_TRUE(w.find("image_play_option1")->selected);
  for (const char* expected : {"image_play_option2", "image_play_option3", "image_play_option1"}) {
    main->OnTimer(ui::InstallUIMainWnd::kCarousel);
    EXPECT_TRUE(w.find(expected)->selected) << expected;
  }
  // Every end of the flow stops it.
  main->OnMessage(WM_INSTALLFINISH, 0);
  EXPECT_FALSE(loop.hasTimer(main.get(), ui::InstallUIMainWnd::kCarousel));
}

TEST_F(MainWindow, ClosingWhileTheInstallMayRunAsksAndRecordsThePageItWasOn) {
  const struct {
    bool install;
    int progress;
    bool failed;
    const char* code;
  } cases[] = {{false, 0, false, "close01"}, {true, 40, false, "close02"}, {true, 88, false, "close04"},
               {true, 95, false, "close03"}, {true, 40, true, "close05"}};
  for (const auto& c : cases) {
    SetUp();
    hosts.clear();
    auto main = Create();
    if (c.install) Press(*main->window(), "install_btn");
    main->SetProgress(c.progress);
    if (c.failed) {
      AnswerBox("btn_yes");
      main->OnMessage(WM_SIGNFAIL, 0);  // the flow ends: no question
    }
    if (!c.failed) {
      AnswerBox("btn_no");  // No keeps the window
      main->requestClose();
      EXPECT_FALSE(hosts.front()->closed()) << c.code;
      EXPECT_EQ(hosts.size(), 2u) << c.code;  // the question was asked
      EXPECT_FALSE(main->cancelled());
      AnswerBox("btn_yes");
    }
    main->requestClose();
    EXPECT_TRUE(hosts.front()->closed()) << c.code;
    EXPECT_EQ(CloseLabel(), c.code);
    // The flow that may still run stops: downloads end, the bar's wait is released.
    EXPECT_TRUE(main->cancelled() && CDownLoadImpl::Cancelled() && main->progressFinish100().Wait(0)) << c.code;
  }
}

TEST_F(MainWindow, ClosingStartsTheLogUploadOnlyWhenTheConfigurationAsks) {
  for (const int config : {0, 2}) {
    uploads.clear();
    log->SetDownloaderConfig(config);
    AnswerBox("btn_yes");
    Create()->requestClose();
    const std::string logName = cwplat::SplitPath(log->GetLogFilePath()).name + cwplat::SplitPath(log->GetLogFilePath()).ext;
    EXPECT_EQ(uploads, config == 2 ? std::vector<std::string>{" -close01 " + logName} : std::vector<std::string>{})
        << config;
  }
}

TEST_F(MainWindow, ClosingAfterTheEndDoesNotAskAndSaysWhetherTheProductStarted) {
  for (const bool start : {false, true}) {
    SetUp();
    hosts.clear();
    installThread = [](IInstallWindow& w) { w.postMessage(WM_INSTALLFINISH, 0); };
    labels["Gif_duration"] = "0";  // no launch window
    auto main = Create();
    Press(*main->window(), "install_btn");
    ASSERT_TRUE(RunUntil([&] { return main->phase() == 1; }));
    if (start) {
      Press(*main->window(), "start_app");
      ASSERT_TRUE(RunUntil([&] { return hosts.front()->closed(); }));
      EXPECT_EQ(starts.size(), 1u);
    } else {
      Press(*main->window(), "closebtn");
    }
    EXPECT_EQ(hosts.size(), 1u);  // no question
    EXPECT_EQ(CloseLabel(), start ? "close07" : "close06") << start;
  }
}

}  // namespace
