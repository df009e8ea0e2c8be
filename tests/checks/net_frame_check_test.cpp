#include "ChecksFixture.h"
#include "NetFrameCheck.h"
#include "platform/registry.h"

using namespace FuntionImpl;

namespace {

class NetFrameCheck : public ChecksTest {
 protected:
  void Need(const std::string& version) {
    cwtest::WriteFile(dir / "NetFrameCheck.db",
                      "\xEF\xBB\xBF[Settings]\r\nNetFrameworkVersion=" + version + "\r\n[Text]\r\nTitle=x\r\n");
  }
  void Installed(const std::string& version) {
    ASSERT_TRUE(cwplat::RegSetString(cwplat::RegHive::LocalMachine,
                                     "SOFTWARE\\Microsoft\\NET Framework Setup\\NDP\\v4\\Client", "Version", version));
  }
};

TEST_F(NetFrameCheck, ComparesInstalledWithNeeded) {
  EXPECT_FALSE(WillShowNetFrameCheck(dir.path()));  // no file: nothing needed
  Need("4.8");
  EXPECT_TRUE(WillShowNetFrameCheck(dir.path()));   // nothing installed
  EXPECT_TRUE(log.has(" LocalNetFrame: , NeedNetFrame: 4.8"));
  Installed("4.7.2");
  EXPECT_TRUE(WillShowNetFrameCheck(dir.path()));
  EXPECT_TRUE(log.has(" LocalNetFrame: 4.7.2, NeedNetFrame: 4.8"));
  Installed("4.8.0");
  EXPECT_FALSE(WillShowNetFrameCheck(dir.path()));
  Installed("4.10");
  EXPECT_FALSE(WillShowNetFrameCheck(dir.path()));  // numbers, not text
}

TEST(NetFrameFile, SectionAndLineRules) {
  EXPECT_EQ(ParseNeededNetFrameVersion("[Settings]\nNetFrameworkVersion=4.8\n"), "4.8");
  EXPECT_EQ(ParseNeededNetFrameVersion("[Settings]\nNetFrameworkVersion = 4.6.1 \r\n"), "4.6.1");
  // Outside the section, after [Text], or with the "=" first: not a setting.
  EXPECT_EQ(ParseNeededNetFrameVersion("NetFrameworkVersion=4.8\n[Settings]\n"), "");
  EXPECT_EQ(ParseNeededNetFrameVersion("[Settings]\n[Text]\nNetFrameworkVersion=4.8\n"), "");
  EXPECT_EQ(ParseNeededNetFrameVersion("[Settings]\n=NetFrameworkVersion=4.8\n"), "");
  // The first one counts.
  EXPECT_EQ(ParseNeededNetFrameVersion("[Settings]\nNetFrameworkVersion=4.5\nNetFrameworkVersion=4.8\n"), "4.5");
  // A line past the length limit is skipped whole, not read in pieces.
  const std::string overlong = "[Settings]\nx" + std::string(1100, ' ') + "NetFrameworkVersion=9.9\n";
  EXPECT_EQ(ParseNeededNetFrameVersion(overlong), "");
  EXPECT_EQ(ParseNeededNetFrameVersion(overlong + "NetFrameworkVersion=4.8\n"), "4.8");
}

TEST(NetFrameFile, FourPartVersions) {
  EXPECT_LT(CompareFourPartVersions("4.7.2", "4.8"), 0);
  EXPECT_EQ(CompareFourPartVersions("4.8", "4.8.0.0"), 0);
  EXPECT_GT(CompareFourPartVersions("4.8.1", "4.8"), 0);
  EXPECT_EQ(CompareFourPartVersions("4.8.0.0.9", "4.8"), 0);  // a fifth part is not read
  EXPECT_EQ(CompareFourPartVersions("x.y", "0"), 0);  // non-numeric parts are 0
  EXPECT_LT(CompareFourPartVersions("", "0.0.0.1"), 0);
  // Huge numbers saturate instead of overflowing into negatives.
  EXPECT_GT(CompareFourPartVersions("99999999999999999999", "4"), 0);
}

}  // namespace
