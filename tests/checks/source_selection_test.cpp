#include "ChecksFixture.h"
#include "SourceSelection.h"
#include "platform/paths.h"
#include "platform/registry.h"

using namespace FuntionImpl;

namespace {

const char kKey[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorla";

class SourceSelection : public ChecksTest {
 protected:
  void SetCounter(const std::string& text) {
    ASSERT_TRUE(cwplat::RegSetString(cwplat::RegHive::LocalMachine, kKey, "RequestTooMuchTimes", text));
  }
};

TEST_F(SourceSelection, FirstNonCdnUrlWinsWhateverTheCounter) {
  const std::vector<std::string> urls = {"https://cdn.example/a.exe", "http://dl.example/b.exe",
                                         "https://files.example/c.exe", "https://other.example/d.exe"};
  EXPECT_EQ(checkRemotePath(urls, 1, "Quorla"), "https://files.example/c.exe");
  EXPECT_TRUE(log.has(" isForbidCDN: 0"));
  EXPECT_TRUE(log.has(" UrlUsed: https://files.example/c.exe"));

  SetCounter("4");
  log.clear();
  EXPECT_EQ(checkRemotePath(urls, 1, "Quorla"), "https://files.example/c.exe");
  EXPECT_TRUE(log.has(" isForbidCDN: 1"));
}

TEST_F(SourceSelection, NoUsableUrl) {
  EXPECT_EQ(checkRemotePath({}, 1, "Quorla"), "");
  EXPECT_TRUE(log.has(" checkRemotePath fail: -1"));
  EXPECT_EQ(checkRemotePath({"https://cdn.example/a.exe", "https://dl.example/a.exe"}, 1, "Quorla"), "");
  EXPECT_EQ(checkRemotePath({"https://files.example/c.exe"}, 2, "Quorla"), "");  // only mode 1 exists
}

TEST_F(SourceSelection, CounterReadsWhatItWrites) {
  EXPECT_EQ(ReadRequestTooMuchTimes("Quorla"), 0);  // missing key
  EXPECT_FALSE(IsCdnForbidden("Quorla"));
  for (int i = 1; i <= 12; ++i) ASSERT_TRUE(IncrementRequestTooMuchTimes("Quorla"));
  // Past nine the stored character leaves the digits (':' for 10 ...); the count goes on.
  std::string stored;
  ASSERT_TRUE(cwplat::RegGetString(cwplat::RegHive::LocalMachine, kKey, "RequestTooMuchTimes", stored));
  EXPECT_EQ(stored, "<");
  EXPECT_EQ(ReadRequestTooMuchTimes("Quorla"), 12);
  EXPECT_TRUE(IsCdnForbidden("Quorla"));

  // It stops at the last printable character instead of leaving ASCII.
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(IncrementRequestTooMuchTimes("Quorla"));
  EXPECT_EQ(ReadRequestTooMuchTimes("Quorla"), '~' - '0');

  // Decimal text left by another writer reads as such; junk reads as 0.
  const std::pair<const char*, int> texts[] = {{"12", 12}, {"", 0}, {"abc", 0}, {"-5", 0}, {"99999999999", 0}};
  for (const auto& [text, value] : texts) {
    SetCounter(text);
    EXPECT_EQ(ReadRequestTooMuchTimes("Quorla"), value) << text;
  }
}

TEST_F(SourceSelection, ClearAppDataRemovesTheThreeFiles) {
  const std::string installer = dir / "Setup.exe";
  for (const char* suffix : {"", ".xml", ".db"}) cwtest::WriteFile(installer + suffix, "x");
  cwtest::WriteFile(dir / "Setup.exe.part", "kept");
  ClearAPPData(installer);
  EXPECT_TRUE(log.has(" Clear cache: 1, 0"));
  for (const char* suffix : {"", ".xml", ".db"}) EXPECT_FALSE(cwplat::FileExists(installer + suffix));
  EXPECT_TRUE(cwplat::FileExists(dir / "Setup.exe.part"));

  // Nothing left: reported, not an error.
  cwtest::WriteFile(installer + ".db", "x");
  ClearAPPData(installer);
  EXPECT_TRUE(log.has(" Clear cache: 0, 2"));
  EXPECT_FALSE(cwplat::FileExists(installer + ".db"));
}

}  // namespace
