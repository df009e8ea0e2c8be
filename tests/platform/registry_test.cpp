#include "platform/paths.h"
#include "platform/registry.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>
#include <vector>

namespace {

using namespace cwplat;
using Strings = std::vector<std::string>;

const RegHive HKLM = RegHive::LocalMachine;
const RegHive HKCU = RegHive::CurrentUser;
const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Foo";

class Registry : public ::testing::Test {
 protected:
  // Where the values of kUninstall in HKLM are kept.
  std::string UninstallValuesFile() const {
    return m_root / "HKEY_LOCAL_MACHINE/software/microsoft/windows/currentversion/uninstall/foo/.values.json";
  }
  std::string GetString(const std::string& key, const std::string& name) {
    std::string out = "<missing>";
    RegGetString(HKLM, key, name, out);
    return out;
  }

  cwtest::TempDir m_root;
  cwtest::ScopedEnv m_env{"CW_REGISTRY_ROOT", m_root.path()};
};

TEST_F(Registry, StringsRoundTripWithoutCase) {
  EXPECT_EQ(GetString(kUninstall, "DisplayName"), "<missing>");
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "DisplayName", "Quorla 中文 ✓"));
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "", "default value"));
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Empty", ""));
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Bytes", "\xff\xfe\x01 not UTF-8"));

  EXPECT_EQ(GetString("software\\MICROSOFT\\windows\\CurrentVersion\\UNINSTALL\\foo", "displayname"),
            "Quorla 中文 ✓");
  EXPECT_EQ(GetString(kUninstall, ""), "default value");
  EXPECT_EQ(GetString(kUninstall, "Empty"), "");
  EXPECT_EQ(GetString(kUninstall, "Bytes"), "\xff\xfe\x01 not UTF-8");

  // A name differing only in case is the same value and keeps its first spelling.
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "DISPLAYNAME", "second"));
  EXPECT_EQ(GetString(kUninstall, "DisplayName"), "second");
  EXPECT_NE(cwtest::ReadFile(UninstallValuesFile()).find("\"DisplayName\""), std::string::npos);

  std::string out;
  EXPECT_FALSE(RegGetString(HKCU, kUninstall, "DisplayName", out));  // other hive
  EXPECT_FALSE(RegGetString(HKLM, kUninstall, "Missing", out));
  EXPECT_FALSE(RegGetString(HKLM, "SOFTWARE\\Nowhere", "DisplayName", out));
  EXPECT_TRUE(out.empty());
}

TEST_F(Registry, MultiStringsRoundTripAndTypesStayApart) {
  const Strings list = {"C:\\old\\file", "", "ünïcode", "C:\\new\\file"};
  ASSERT_TRUE(RegSetMultiString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                                "PendingFileRenameOperations", list));
  ASSERT_TRUE(RegSetMultiString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "None", {}));
  Strings out = {"stale"};
  ASSERT_TRUE(RegGetMultiString(HKLM, "system\\currentcontrolset\\control\\SESSION MANAGER",
                                "pendingfilerenameoperations", out));
  EXPECT_EQ(out, list);
  ASSERT_TRUE(RegGetMultiString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", "None", out));
  EXPECT_TRUE(out.empty());

  std::string text;
  EXPECT_FALSE(RegGetString(HKLM, "SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                            "PendingFileRenameOperations", text));
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Version", "1.0"));
  EXPECT_FALSE(RegGetMultiString(HKLM, kUninstall, "Version", out));
  // Overwriting with the other type replaces the value.
  ASSERT_TRUE(RegSetMultiString(HKLM, kUninstall, "Version", {"1", "0"}));
  EXPECT_TRUE(RegGetMultiString(HKLM, kUninstall, "Version", out));
  EXPECT_FALSE(RegGetString(HKLM, kUninstall, "Version", text));
}

TEST_F(Registry, SubKeysKeepTheirCaseAndDeleteTakesThemAll) {
  ASSERT_TRUE(RegSetString(HKCU, "SOFTWARE\\GuidGuidold", "guid", "0f8fad5b-d9cb-469f-a165-70867728950e"));
  ASSERT_TRUE(RegCreateKey(HKCU, "Software\\Calderwick\\Downloader2.5.0"));
  ASSERT_TRUE(RegSetString(HKCU, "SOFTWARE\\CALDERWICK\\Tools\\Deep", "x", "y"));
  ASSERT_TRUE(RegCreateKey(HKCU, "SOFTWARE\\.hidden"));
  ASSERT_TRUE(RegCreateKey(HKCU, "SOFTWARE\\50%"));

  EXPECT_EQ(RegEnumSubKeys(HKCU, "software"), (Strings{".hidden", "50%", "Calderwick", "GuidGuidold"}));
  EXPECT_EQ(RegEnumSubKeys(HKCU, "Software\\Calderwick"), (Strings{"Downloader2.5.0", "Tools"}));
  EXPECT_TRUE(RegEnumSubKeys(HKCU, "Software\\Missing").empty());
  EXPECT_TRUE(RegKeyExists(HKCU, "software\\calderwick\\DOWNLOADER2.5.0"));

  ASSERT_TRUE(RegDeleteValue(HKCU, "SOFTWARE\\GuidGuidold", "GUID"));
  EXPECT_FALSE(RegDeleteValue(HKCU, "SOFTWARE\\GuidGuidold", "guid"));
  EXPECT_FALSE(RegDeleteValue(HKCU, "SOFTWARE\\NoSuchKey", "guid"));
  EXPECT_FALSE(RegKeyExists(HKCU, "SOFTWARE\\NoSuchKey"));  // a delete creates nothing
  EXPECT_TRUE(RegKeyExists(HKCU, "SOFTWARE\\GuidGuidold"));

  ASSERT_TRUE(RegDeleteKey(HKCU, "Software\\CALDERWICK"));
  EXPECT_FALSE(RegKeyExists(HKCU, "Software\\Calderwick\\Tools\\Deep"));
  EXPECT_FALSE(RegKeyExists(HKCU, "Software\\Calderwick"));
  EXPECT_FALSE(RegDeleteKey(HKCU, "Software\\Calderwick"));
  EXPECT_EQ(RegEnumSubKeys(HKCU, "software"), (Strings{".hidden", "50%", "GuidGuidold"}));
  // A deleted key can be written again, fresh.
  ASSERT_TRUE(RegSetString(HKCU, "Software\\Calderwick\\Tools\\Deep", "z", "1"));
  std::string out;
  EXPECT_FALSE(RegGetString(HKCU, "Software\\Calderwick\\Tools\\Deep", "x", out));
}

// Writers in threads and in another process, all on one key: a read-modify-
// write that lost a race would drop someone's value.
TEST_F(Registry, ConcurrentWritersLoseNothing) {
  constexpr int kThreads = 8, kPerWriter = 25;
  const pid_t child = fork();
  if (child == 0) {
    int failures = 0;
    for (int i = 0; i < kPerWriter; ++i) {
      failures += RegSetString(HKLM, kUninstall, "child_" + std::to_string(i), std::to_string(i)) ? 0 : 1;
    }
    _exit(failures == 0 ? 0 : 1);
  }
  ASSERT_GT(child, 0);
  std::vector<std::thread> writers;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t, &failures] {
      for (int i = 0; i < kPerWriter; ++i) {
        const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
        if (!RegSetString(HKLM, kUninstall, name, name)) ++failures[t];
        std::string ignored;
        RegGetString(HKLM, kUninstall, "t0_0", ignored);  // readers mixed in
      }
    });
  }
  for (auto& w : writers) w.join();
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(failures, std::vector<int>(kThreads, 0));

  int missing = 0;
  for (int i = 0; i < kPerWriter; ++i) {
    missing += GetString(kUninstall, "child_" + std::to_string(i)) == std::to_string(i) ? 0 : 1;
    for (int t = 0; t < kThreads; ++t) {
      const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
      missing += GetString(kUninstall, name) == name ? 0 : 1;
    }
  }
  EXPECT_EQ(missing, 0);
}

// Writes racing deletions of the parent key may fail, but must leave neither
// junk nor a key that later writes cannot use.
TEST_F(Registry, DeletingAKeyWhileItIsWrittenLeavesAUsableStore) {
  const std::string key = "SOFTWARE\\Calderwick\\Downloader2.5.0";
  std::atomic<bool> stop{false};
  std::thread deleter([&] {
    while (!stop) RegDeleteKey(HKLM, "SOFTWARE\\Calderwick");
  });
  for (int i = 0; i < 50; ++i) RegSetString(HKLM, key, "GA_PC", std::to_string(i));
  stop = true;
  deleter.join();

  ASSERT_TRUE(RegSetString(HKLM, key, "GA_PC", "1"));
  EXPECT_EQ(GetString(key, "GA_PC"), "1");
  EXPECT_EQ(RegEnumSubKeys(HKLM, "SOFTWARE"), (Strings{"Calderwick"}));
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root.path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == ".lock" || name == ".values.json" || entry.is_directory()) << entry.path();
    EXPECT_EQ(name.find(".deleted-"), std::string::npos) << entry.path();
  }
}

TEST_F(Registry, DamagedValuesFileReadsAsMissingAndIsReplacedOnWrite) {
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Version", "1.0"));
  const std::string valid = cwtest::ReadFile(UninstallValuesFile());
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) & 0xff);
  const std::vector<std::string> damaged = {
      valid.substr(0, valid.size() / 2),           // torn write
      junk,                                        // binary junk
      std::string(100000, '[') ,                   // nesting bomb
      "[\"an array\"]",                            // valid JSON, wrong shape
      "{\"values\": 7}",                           //
      "{\"values\": {\"version\": {\"type\": \"REG_SZ\", \"data\": 5}}}",
      "{\"values\": {\"version\": \"1.0\"}}",
      "{\"values\": {}}" + std::string(1024 * 1024, ' '),  // over 1 MiB
  };
  for (const std::string& content : damaged) {
    cwtest::WriteFile(UninstallValuesFile(), content);
    std::string out;
    EXPECT_FALSE(RegGetString(HKLM, kUninstall, "Version", out)) << content.substr(0, 40);
    EXPECT_FALSE(RegGetString(HKLM, kUninstall, "Version", out));  // again: logged once only
    ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Language", "en")) << content.substr(0, 40);
    EXPECT_EQ(GetString(kUninstall, "Language"), "en");
  }
}

TEST_F(Registry, WriteLargerThanTheLimitIsRefusedAndKeepsTheOldValues) {
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Version", "1.0"));
  EXPECT_FALSE(RegSetString(HKLM, kUninstall, "Huge", std::string(2 * 1024 * 1024, 'x')));
  EXPECT_EQ(GetString(kUninstall, "Version"), "1.0");
  EXPECT_EQ(GetString(kUninstall, "Huge"), "<missing>");
}

TEST_F(Registry, HostileKeyNamesAreRefused) {
  const std::vector<std::string> hostile = {
      "",          "\\",         "SOFTWARE\\",   "\\SOFTWARE",     "SOFTWARE\\\\Foo", "..",
      "A\\..\\..", "A\\.",       "A/B",          "../../etc",      std::string("A\0B", 3),
      "A\\" + std::string(256, 'k'),
  };
  for (const std::string& key : hostile) {
    std::string out;
    EXPECT_FALSE(RegSetString(HKLM, key, "v", "x")) << key;
    EXPECT_FALSE(RegCreateKey(HKLM, key)) << key;
    EXPECT_FALSE(RegGetString(HKLM, key, "v", out)) << key;
    EXPECT_FALSE(RegKeyExists(HKLM, key)) << key;
    EXPECT_FALSE(RegDeleteKey(HKLM, key)) << key;
    EXPECT_TRUE(RegEnumSubKeys(HKLM, key).empty()) << key;
  }
  // Only keys below the hive were made, none outside the root.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root.path())) {
    EXPECT_EQ(entry.path().string().rfind(m_root / "HKEY_LOCAL_MACHINE", 0), 0u) << entry.path();
  }
  // Odd but legal names stay inside their key.
  ASSERT_TRUE(RegSetString(HKLM, "A\\.lock\\%2e\\.values.json", "v", "x"));
  EXPECT_EQ(GetString("A\\.LOCK\\%2E\\.values.json", "v"), "x");
  EXPECT_EQ(RegEnumSubKeys(HKLM, "A\\.lock"), (Strings{"%2e"}));
}

TEST_F(Registry, RootFollowsTheEnvironmentOnEveryCall) {
  cwtest::TempDir other, dataHome;
  ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Where", "first"));
  {
    cwtest::ScopedEnv root("CW_REGISTRY_ROOT", other.path());
    EXPECT_EQ(GetString(kUninstall, "Where"), "<missing>");
    ASSERT_TRUE(RegSetString(HKLM, kUninstall, "Where", "other"));
  }
  EXPECT_EQ(GetString(kUninstall, "Where"), "first");

  // Not an absolute path: the per-user default under the data home.
  cwtest::ScopedEnv root("CW_REGISTRY_ROOT", std::string("relative/root"));
  cwtest::ScopedEnv data("XDG_DATA_HOME", dataHome.path());
  ASSERT_TRUE(RegSetString(HKCU, "SOFTWARE\\GuidGuidold", "guid", "g"));
  EXPECT_TRUE(FileExists(dataHome / "CWDownloader/registry/HKEY_CURRENT_USER/software/guidguidold/.values.json"));
}

}  // namespace
