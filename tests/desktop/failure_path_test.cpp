// A download whose signature does not hold: the message box (a window of its
// own) says so, the failed page offers Try again, and once the service serves
// the good package again, Try again installs it.
#include "InstallerDesktop.h"
#include "RecordReading.h"

#include <algorithm>

#include <filesystem>
#include <fstream>

namespace {

using desktoptest::InstallerDesktop;
namespace fs = std::filesystem;

const std::string kPackage = "QuorlaMurmelon_setup.exe";

class FailurePath : public InstallerDesktop {};

TEST_F(FailurePath, SignatureMessageThenTryAgainInstalls) {
  const std::string served = server->root() + "/" + kPackage;
  const std::string good = box.dir() + "/good.exe";
  fs::copy_file(served, good);
  {  // the served MD5 follows the file, so only the signature can catch this
    std::fstream file(served, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(4096);
    file.put('\x5a');
  }
  ASSERT_TRUE(StartInstaller("de_DE.UTF-8"));
  ASSERT_TRUE(ClickNode("Jetzt installieren", ATSPI_ROLE_PUSH_BUTTON));

  const cwtest::Ref message = Frame(desktoptest::kBoxTitle, 60000);
  ASSERT_TRUE(message) << "no message box\n" << Tree(app.get());
  const cwtest::Ref text = NodeWhere([](AtspiAccessible* n) {
    return cwtest::NameOf(n).find("Die heruntergeladene Datei ist beschädigt.") != std::string::npos;
  }, message.get());
  EXPECT_TRUE(text) << Tree(message.get());
  EXPECT_FALSE(cwtest::FindNode(message.get(), "Abbrechen")) << "one button only\n" << Tree(message.get());
  Shot("signature-message");
  ASSERT_TRUE(ClickNode("Bestätigen", ATSPI_ROLE_PUSH_BUTTON, message.get()));
  EXPECT_TRUE(WaitFor([&] { return !cwtest::HasState(message.get(), ATSPI_STATE_SHOWING); })) << "the box goes";

  ASSERT_TRUE(Node("Erneut versuchen", ATSPI_ROLE_PUSH_BUTTON)) << "the failed page\n" << Tree();
  EXPECT_TRUE(Node("Die Installation wurde nicht abgeschlossen. Bitte erneut versuchen.", ATSPI_ROLE_LABEL)) << Tree();
  EXPECT_TRUE(Node("Vollständigen Installer herunterladen", ATSPI_ROLE_LINK)) << "the advice link\n" << Tree();
  Shot("failed-page");
  const std::string product = InstallRoot() + "/Quorla/Quorla Murmelon";
  EXPECT_FALSE(fs::exists(product + "/Murmelon.exe"));

  fs::copy_file(good, served, fs::copy_options::overwrite_existing);
  ASSERT_TRUE(ClickNode("Erneut versuchen", ATSPI_ROLE_PUSH_BUTTON));
  EXPECT_TRUE(Node("install_progress", ATSPI_ROLE_PROGRESS_BAR, nullptr, 10000)) << "running again\n" << Tree();
  Shot("running-again");
  EXPECT_TRUE(WaitFor([&] { return fs::exists(product + "/started.txt"); }, 60000)) << "installed and started";
  EXPECT_EQ(WaitForExit(20000), 0);

  const auto views = desktoptest::PageViews(server->Records());
  EXPECT_EQ(desktoptest::FirstMissingInOrder(views, {"2.DownStart|", "8-1.ClickTryAgain|", "6.ProgramFinsh|Retry",
                                                     "7.ProgramLaunch|", "Close|close07"}),
            "")
      << desktoptest::Lines(views);
  EXPECT_EQ(std::count(views.begin(), views.end(), "6.ProgramFinsh|First"), 0) << desktoptest::Lines(views);
}

}  // namespace
