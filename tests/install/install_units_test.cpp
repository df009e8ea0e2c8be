// The install flow's own rules: local file names, the completion marker, the
// unattended switches, the language hand-over and the product search.
#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallFiles.h"
#include "LanguageCodes.h"
#include "LanguageWriteBack.h"
#include "UnattendedOptions.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(InstallFiles, NamesFollowTheEmbeddedUrlAndTheVersion) {
  EXPECT_EQ(InstallerFileName("http://h/files/QuorlaMurmelon_setup.exe", "1.0.0.0"), "QuorlaMurmelon_setup_1.0.0.0.exe");
  // Only the last dot is cut; a package that is not ".exe" (case-sensitive) becomes ".apk".
  EXPECT_EQ(InstallerFileName("http://h/a.b/pkg.v2.zip", "3"), "pkg.v2_3.apk");
  EXPECT_EQ(InstallerFileName("http://h/x/Setup.EXE", "3"), "Setup_3.apk");
  EXPECT_EQ(InstallerFileName("noslash", "1"), "noslash_1.apk");

  const InstallFiles program = MakeInstallFiles("http://h/s.exe", "http://h/other.exe", "1", "/dl", "/opt/p");
  EXPECT_EQ(program.installerPath, "/dl/s_1.exe");
  EXPECT_EQ(program.taskFile, "/dl/s_1.exe.xml");
  EXPECT_EQ(program.completionMarker, "/dl/s_1.exe.db");
  // The configured URL, not the embedded one, decides where the file goes.
  EXPECT_EQ(MakeInstallFiles("http://h/s.exe", "http://h/s.apk", "1", "/dl", "/opt/p").installerPath, "/opt/p/s_1.exe");
}

struct MarkerCase {
  std::string marker;
  bool kept;
};

TEST(InstallFiles, CompletionMarkerKeepsOnlyTheSameVersionAndDigest) {
  const std::string md5 = "0123456789abcdef0123456789abcdef";
  const std::string extra = "fedcba9876543210fedcba9876543210";
  const MarkerCase cases[] = {
      {"1.0###" + md5, true},
      {"1.0###FEDCBA9876543210FEDCBA9876543210", true},  // the extra digest, any case
      {"1.0###" + md5 + "\r\n", true},
      {"1.1###" + md5, false},  // a new version
      {"1.0###00000000000000000000000000000000", false},
      {"1.0" + md5, false},  // no separator
      {std::string(4000, 'x'), false},
  };
  for (const MarkerCase& c : cases) {
    cwtest::TempDir dir;
    const InstallFiles files = MakeInstallFiles("http://h/s.exe", "http://h/s.exe", "1.0", dir.path(), dir.path());
    cwtest::WriteFile(files.installerPath, "package");
    cwtest::WriteFile(files.taskFile, "<tasks/>");
    cwtest::WriteFile(files.completionMarker, c.marker);
    EXPECT_EQ(ReconcileCompletionMarker(files, "1.0", md5, extra), c.kept) << c.marker;
    EXPECT_EQ(cwplat::FileExists(files.installerPath), c.kept) << c.marker;
    EXPECT_EQ(cwplat::FileExists(files.taskFile), c.kept) << c.marker;
    EXPECT_FALSE(cwplat::FileExists(files.completionMarker)) << c.marker;
  }
  cwtest::TempDir dir;
  const InstallFiles files = MakeInstallFiles("http://h/s.exe", "http://h/s.exe", "1.0", dir.path(), dir.path());
  cwtest::WriteFile(files.installerPath, "package");
  EXPECT_FALSE(ReconcileCompletionMarker(files, "1.0", md5, extra));
  EXPECT_TRUE(cwplat::FileExists(files.installerPath)) << "no marker: the partial download stays for resuming";
}

TEST(UnattendedOptions, SwitchesAreReadFromTheVectorOnly) {
  EXPECT_FALSE(ParseUnattendedArgs({}).has_value());
  EXPECT_FALSE(ParseUnattendedArgs({"debug"}).has_value());
  EXPECT_FALSE(ParseUnattendedArgs({"-close01", "--unattended"}).has_value()) << "the switch must come first";

  // A folder holding the dispatch's words stays a folder.
  const auto options = ParseUnattendedArgs({"--unattended", "--dir", "/tmp/a -close02 -dmp x", "--lang", "jp"});
  ASSERT_TRUE(options.has_value());
  EXPECT_NE(options->error, "") << "jp is an installer code, not a language code";
  const auto good =
      ParseUnattendedArgs({"--unattended", "--accept-license", "--dir", "/tmp/a -close02 -dmp x", "--lang", "ja"});
  ASSERT_TRUE(good.has_value());
  EXPECT_EQ(good->error, "");
  EXPECT_EQ(good->installPath, "/tmp/a -close02 -dmp x");
  EXPECT_EQ(good->language, Japanese);

  EXPECT_NE(ParseUnattendedArgs({"--unattended", "--dir", "/x"})->error, "") << "licence not accepted";
  EXPECT_NE(ParseUnattendedArgs({"--unattended", "--accept-license", "--dir"})->error, "");
  EXPECT_NE(ParseUnattendedArgs({"--unattended", "--accept-license", "--dir", "relative"})->error, "");
  EXPECT_NE(ParseUnattendedArgs({"--unattended", "--accept-license", "--bogus"})->error, "");
  EXPECT_TRUE(ParseUnattendedArgs({"--help"})->help);
  EXPECT_NE(UnattendedUsage("cw").find("Exit codes"), std::string::npos);
}

TEST(LanguageWriteBack, CodesAndTheUninstallEntry) {
  EXPECT_STREQ(ProductLanguageCode(0), "en");
  EXPECT_STREQ(ProductLanguageCode(10), "zhtw");
  EXPECT_STREQ(ProductLanguageCode(19), "cz");
  EXPECT_STREQ(ProductLanguageCode(20), "en");
  EXPECT_STREQ(ProductLanguageCode(-1), "en");
  EXPECT_STREQ(LanguageEventName(11), "Korean");
  EXPECT_STREQ(LanguageEventName(0), "English");
  EXPECT_STREQ(LanguageEventName(99), "English");

  cwtest::TempDir dir;
  cwtest::ScopedEnv root("CW_REGISTRY_ROOT", dir.path());
  CEmbeddedLabels labels;
  ASSERT_TRUE(labels.parse(R"(<r><Label name="Downloader_id" text="521"/><Label name="Software_name" text="Quorla Murmelon"/></r>)"));
  CConfigure configure(521, 1033, 61);
  configure.loadFromResource(labels, true);

  EXPECT_FALSE(WriteLanguageBack(configure, Korean)) << "no uninstall root yet";
  ASSERT_TRUE(cwplat::RegCreateKey(cwplat::RegHive::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_TRUE(WriteLanguageBack(configure, Korean));
  std::string value;
  EXPECT_TRUE(cwplat::RegGetString(cwplat::RegHive::LocalMachine,
                                   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Quorla Murmelon}_is1",
                                   "Inno Setup: Language", value));
  EXPECT_EQ(value, "ko");

  // The 32-bit view wins when it exists.
  ASSERT_TRUE(cwplat::RegCreateKey(cwplat::RegHive::LocalMachine,
                                   "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  EXPECT_TRUE(WriteLanguageBack(configure, German));
  EXPECT_TRUE(cwplat::RegGetString(cwplat::RegHive::LocalMachine,
                                   "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Quorla Murmelon}_is1",
                                   "Inno Setup: Language", value));
  EXPECT_EQ(value, "de");

  CEmbeddedLabels other;
  ASSERT_TRUE(other.parse(R"(<r><Label name="Downloader_id" text="114"/><Label name="Software_name" text="X"/></r>)"));
  CConfigure otherConfigure(114, 1033, 61);
  otherConfigure.loadFromResource(other, true);
  EXPECT_FALSE(WriteLanguageBack(otherConfigure, German)) << "another product's downloader";
}

}  // namespace
