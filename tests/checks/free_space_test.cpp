#include "ChecksFixture.h"
#include "PreInstallChecks.h"
#include "SizeText.h"

namespace {

// The download folder lives on drive "d"; "e" is another drive.
class FreeSpace : public ChecksTest {
 protected:
  void SetUp() override {
    ChecksTest::SetUp();
    sources.downloadFolder = [this] { return dir / "d/downloads"; };
  }

  PreInstallSources sources;
  std::int64_t freeBytes = -1;
};

TEST_F(FreeSpace, DownloadDriveNeedsMoreThanThePackage) {
  drives->Add(dir / "d", 1000);
  window.pathText = dir / "e/Product";  // on no known drive: that step passes
  CPreInstallChecks checks(window, sources);
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), -1);
  EXPECT_EQ(freeBytes, 1000);
  EXPECT_TRUE(log.has(" PC space not enough1: 1000<=1000"));
  EXPECT_TRUE(log.has(" User event Other / FlowError / DL008"));
  EXPECT_TRUE(log.has(" User event Other / NoEnoughSpace / download_" + FuntionImpl::SizeText(1000)));

  drives->free[dir / "d"] = 1001;
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), 0);
}

TEST_F(FreeSpace, InstallDriveNeedsTwiceOrThriceOnTheDownloadDrive) {
  drives->Add(dir / "d", 2500);
  drives->Add(dir / "e", 2500);
  CPreInstallChecks checks(window, sources);

  window.pathText = dir / "d/Apps/Product";  // not made yet: judged by its drive
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), -2);
  EXPECT_EQ(freeBytes, 2500);
  EXPECT_TRUE(log.has(" PC space not enough2: 2500<=3000"));
  EXPECT_FALSE(log.has(" User event Other / FlowError / DL008"));

  window.pathText = dir / "e/Product";
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), 0);
  drives->free[dir / "e"] = 2000;
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), -2);
  EXPECT_TRUE(log.has(" PC space not enough2: 2000<=2000"));
}

TEST_F(FreeSpace, NothingToCheckOrNothingKnown) {
  drives->Add(dir / "d", 0);
  window.pathText = dir / "d/Product";
  CPreInstallChecks checks(window, sources);
  EXPECT_EQ(checks.EnoughFreeSpace(0, freeBytes), 0);

  drives->free.clear();  // unreadable drives do not block
  EXPECT_EQ(checks.EnoughFreeSpace(1000, freeBytes), 0);
}

}  // namespace
