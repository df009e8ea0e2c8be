#include "platform/ini_file.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using cwplat::GetPrivateProfileInt;

TEST(IniFile, ReadsValuesWithProfileIntSemantics) {
  cwtest::TempDir dir;
  const std::string path = dir / "a.cfg";
  cwtest::WriteFile(path,
                    "; comment\n[Other]\nTestEnv=7\n[ settings ]\r\n  testenv = 1 \r\nAutoRun=2junk\n"
                    "CrashTest=abc\nNeg=-5\nHuge=99999999999999\nEmpty=\n");
  EXPECT_EQ(GetPrivateProfileInt("Settings", "TestEnv", 0, path), 1);   // case-insensitive, CRLF
  EXPECT_EQ(GetPrivateProfileInt("Settings", "AutoRun", 0, path), 2);   // leading number only
  EXPECT_EQ(GetPrivateProfileInt("Settings", "CrashTest", 9, path), 0); // not a number
  EXPECT_EQ(GetPrivateProfileInt("Settings", "Neg", 9, path), 0);
  EXPECT_EQ(GetPrivateProfileInt("Settings", "Huge", 0, path), 2147483647);
  EXPECT_EQ(GetPrivateProfileInt("Settings", "Empty", 9, path), 0);
  EXPECT_EQ(GetPrivateProfileInt("Settings", "Missing", 9, path), 9);
  EXPECT_EQ(GetPrivateProfileInt("Nope", "TestEnv", 9, path), 9);
  EXPECT_EQ(GetPrivateProfileInt("Settings", "TestEnv", 9, dir / "absent.cfg"), 9);
}

TEST(IniFile, BinaryJunkDoesNotCrash) {
  cwtest::TempDir dir;
  std::string junk;
  for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 7919) & 0xff);
  cwtest::WriteFile(dir / "junk.cfg", junk);
  EXPECT_EQ(GetPrivateProfileInt("Settings", "TestEnv", 0, dir / "junk.cfg"), 0);
}

}  // namespace
