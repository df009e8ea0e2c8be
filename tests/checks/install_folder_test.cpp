#include "ChecksFixture.h"
#include "PreInstallChecks.h"
#include "SizeText.h"
#include "platform/paths.h"
#include "platform/registry.h"

namespace {

class InstallFolder : public ChecksTest {
 protected:
  void SetUp() override {
    ChecksTest::SetUp();
    sources.downloadFolder = [this] { return dir / "c/downloads"; };
  }
  void PendingOperations(const std::vector<std::string>& entries) {
    ASSERT_TRUE(cwplat::RegSetMultiString(cwplat::RegHive::LocalMachine,
                                          "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                          "PendingFileRenameOperations", entries));
  }
  bool Prepare() { return CPreInstallChecks(window, sources).PrepareInstallFolder(); }

  PreInstallSources sources;
};

TEST_F(InstallFolder, ShortInstallDriveMovesToTheRoomiestOnce) {
  drives->Add(dir / "c", 100000);
  drives->Add(dir / "d", 1500);
  drives->Add(dir / "e", 5000);
  ConfigureFromUpdateService(window, 1000, "Product");
  window.pathText = dir / "d/Apps/Product";
  ASSERT_TRUE(Prepare());
  // The roomiest drive is the download drive, which needs three times the package.
  EXPECT_EQ(window.pathText, dir / "c/Apps/Product");
  EXPECT_EQ(window.installDir, dir / "c/Apps/Product");
  EXPECT_TRUE(cwplat::DirectoryExists(dir / "c/Apps/Product"));
  EXPECT_TRUE(window.boxes.empty());
  EXPECT_EQ(window.runningPageShown, 1);
  EXPECT_FALSE(log.has(" User event Other / FlowError / DL008"));
  EXPECT_TRUE(log.has(" Funnel event Download / DownloadEnvReady ="));
}

TEST_F(InstallFolder, SecondShortDriveStopsWithInstallEvent) {
  drives->Add(dir / "c", 2900);
  drives->Add(dir / "d", 1500);
  ConfigureFromUpdateService(window, 1000, "Product");
  window.pathText = dir / "d/Product";
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(window.pathText, dir / "c/Product");
  EXPECT_TRUE(log.has(" PC space not enough2: 1500<=2000"));
  EXPECT_TRUE(log.has(" PC space not enough2: 2900<=3000"));
  EXPECT_EQ(log.count(" User event Other / FlowError / DL008"), 1u);
  EXPECT_TRUE(log.has(" User event Other / NoEnoughSpace / install_" + FuntionImpl::SizeText(2900)));
  EXPECT_EQ(window.boxes, std::vector<int>{MSG_NOENOUGHSPACE});
  EXPECT_EQ(window.runningPageShown, 0);
  EXPECT_FALSE(cwplat::DirectoryExists(dir / "c/Product"));

  // A short download drive stops at once, without moving anything.
  drives->free[dir / "c"] = 1000;
  window.pathText = dir / "d/Product";
  window.boxes.clear();
  EXPECT_FALSE(Prepare());
  EXPECT_EQ(window.pathText, dir / "d/Product");
  EXPECT_EQ(window.boxes, std::vector<int>{MSG_NOENOUGHSPACE});
}

TEST_F(InstallFolder, EmbeddedConfigurationSkipsTheSpaceCheck) {
  drives->Add(dir / "c", 0);
  ASSERT_TRUE(window.labels.parse(R"(<Window><Label name="Software_name" text="Embedded"/>
                                      <Label name="Filesize" text="1000"/></Window>)"));
  window.config->loadFromResource(window.labels, true);
  window.pathText = dir / "c/Apps/";
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(window.installDir, dir / "c/Apps/Embedded");

  // Without a configuration the embedded name still names the folder.
  window.config->loadFromResource(window.labels, false);
  window.pathText = dir / "c/Other";
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(window.installDir, dir / "c/Other/Embedded");
}

TEST_F(InstallFolder, FolderThatCannotBeMade) {
  ConfigureFromUpdateService(window, 0, "Product");
  cwtest::WriteFile(dir / "file", "x");
  for (const std::string& path : {dir / "file/Product", std::string("relative/Product"), std::string()}) {
    window.pathText = path;
    window.boxes.clear();
    EXPECT_FALSE(Prepare()) << path;
    EXPECT_EQ(window.boxes, std::vector<int>{MSG_PATHERROR}) << path;
  }
  EXPECT_EQ(log.count(" User event Other / FlowError / DL009"), 3u);
  EXPECT_FALSE(log.has(" Funnel event Download / DownloadEnvReady ="));
  EXPECT_FALSE(cwplat::DirectoryExists("relative"));
  EXPECT_EQ(window.runningPageShown, 0);
}

TEST_F(InstallFolder, PendingRenameTakesTheNextNumberedFolder) {
  ConfigureFromUpdateService(window, 0, "Product");
  const std::string product = dir / "Product";
  PendingOperations({"\\??\\" + product + "/x.dll", "", "\\??\\" + product + " 1/y.dll", "",
                     product + " 2", ""});  // the folder itself, not a file inside it
  window.pathText = product;
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(window.installDir, product + " 2");
  EXPECT_TRUE(log.has(" User event Other / ProcessNeedRestartSign / "));

  // Case matters, and a sibling with a longer name is not inside the folder.
  PendingOperations({dir / "product/x.dll", dir / "Product2/x.dll"});
  log.clear();
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(window.installDir, product);
  EXPECT_FALSE(log.has(" User event Other / ProcessNeedRestartSign / "));
  EXPECT_FALSE(FuntionImpl::HasPendingRename(product));
  EXPECT_TRUE(FuntionImpl::HasPendingRename(dir / "Product2"));
}

TEST_F(InstallFolder, ProductNameIsOneFolder) {
  // A remote name that climbs out is refused; the embedded name stands in.
  ASSERT_TRUE(window.labels.parse(R"(<r><Label name="Software_name" text="Quorla Murmelon"/></r>)"));
  ConfigureFromUpdateService(window, 0, "../../etc");
  window.pathText = dir / "Apps";
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(window.installDir, dir / "Apps/Quorla Murmelon");
}

}  // namespace
