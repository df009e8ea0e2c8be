// Names and texts the crash handler and the upload make: dump and archive
// names, the signal-safe formatting and time arithmetic they rest on.
#include "CrashHandler.h"
#include "LogUpload.h"
#include "platform/crash_handler.h"
#include "platform/crash_handler_text.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace {

std::string PrintfFallbackName(const char* temp, int id, const char* version, const cwplat::LocalTime& t) {
  char name[512];
  std::snprintf(name, sizeof name, "%s%d_%s_%.4d%.2d%.2d%.2d%.2d%.2d%.3d.dmp", temp, id, version, t.year, t.month,
                t.day, t.hour, t.minute, t.second, t.millisecond);
  return name;
}

std::string Stamp(const cwplat::LocalTime& t) {
  char stamp[32];
  return std::string(stamp, cwplat::FormatCrashTimeStamp(t, stamp, sizeof stamp));
}

TEST(DumpNames, FallbackNameIsPrefixPlusStampAsTheClassicFormat) {
  const cwplat::LocalTime times[] = {{2024, 1, 31, 23, 59, 59, 123}, {2024, 2, 29, 0, 0, 0, 0}, {999, 12, 1, 9, 5, 7, 9}};
  for (const auto& t : times) {
    EXPECT_EQ(FuntionImpl::FallbackDumpPrefix("/tmp/", 521, "1.0.0.1") + Stamp(t) + ".dmp",
              PrintfFallbackName("/tmp/", 521, "1.0.0.1", t));
  }
  // No version information: the version part is empty, the underscores stay.
  EXPECT_EQ(FuntionImpl::FallbackDumpPrefix("/t/", -3, ""), "/t/-3__");
}

TEST(DumpNames, DumpLiesBesideTheLogWhenThereIsOne) {
  EXPECT_EQ(FuntionImpl::DumpPathBesideLog("/d/logs/x/x_20240101.log"), "/d/logs/x/x_20240101.log.dmp");
  EXPECT_EQ(FuntionImpl::DumpPathBesideLog(""), "");
}

TEST(DumpNames, ContextStartsUploadOnlyForConfigOneOrTwoAndNeverInAnUploadRun) {
  FuntionImpl::CrashHandlerFacts facts;
  facts.logFilePath = "/l/a_1.log";
  facts.tempFolder = "/tmp/";
  facts.downloaderId = 7;
  facts.fileVersion = "1.2.3.4";
  facts.executablePath = "/bin/cw";
  facts.instanceLockFd = 9;
  for (int config : {-1, 0, 1, 2, 3}) {
    facts.downloaderConfig = config;
    EXPECT_EQ(FuntionImpl::MakeCrashContext(facts).startUpload, config == 1 || config == 2) << config;
  }
  facts.downloaderConfig = 2;
  facts.uploadSuppressed = true;
  const cwplat::CrashContext context = FuntionImpl::MakeCrashContext(facts);
  EXPECT_FALSE(context.startUpload);
  EXPECT_EQ(context.dumpPath, "/l/a_1.log.dmp");
  EXPECT_EQ(context.fallbackPrefix, "/tmp/7_1.2.3.4_");
  EXPECT_EQ(context.instanceLockFd, 9);
  EXPECT_EQ(context.headerLines, "version: 1.2.3.4\ndownloader id: 7\ndownloader config: 2\n");
}

TEST(ArchiveNames, RemoteNameKeepsTheLogNameBeforeItsLastUnderscore) {
  const cwplat::LocalTime t{2024, 1, 31, 23, 59, 59, 123};
  EXPECT_EQ(FuntionImpl::LogArchiveRemoteName("install_20240101.log", t), "install_20240131235959123.zip");
  EXPECT_EQ(FuntionImpl::LogArchiveRemoteName("Quorla_setup_20240101000000000.log", t),
            "Quorla_setup_20240131235959123.zip");
  EXPECT_EQ(FuntionImpl::LogArchiveRemoteName("install.log", t), "");
}

TEST(ArchiveNames, NoNameUsesTheArchiveFilesExtension) {
  const cwplat::LocalTime t{2024, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(FuntionImpl::NoNameRemoteName("/l/20240102030405006.zip", t), "NoName_20240102030405006.zip");
  EXPECT_EQ(FuntionImpl::NoNameRemoteName("/l/archive", t), "NoName_20240102030405006.tmp");
  // A dot in a folder name is not the file's extension.
  EXPECT_EQ(FuntionImpl::NoNameRemoteName("/a.b/archive", t), "NoName_20240102030405006.tmp");
}

TEST(CrashText, DecimalsMatchPrintfPrecision) {
  const std::int64_t values[] = {0, 7, -7, 42, 999, 1000, -123456, INT64_MAX, INT64_MIN};
  for (std::int64_t v : values) {
    for (int width : {1, 2, 3, 4, 20}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%.*" PRId64, width, v);
      char buffer[64];
      cwplat::CCrashText text(buffer, sizeof buffer);
      text.Dec(v, width);
      EXPECT_STREQ(text.data(), expected) << v << " width " << width;
    }
  }
}

TEST(CrashText, HexAndTruncation) {
  char buffer[32];
  cwplat::CCrashText text(buffer, sizeof buffer);
  text.Hex(0xdeadbeef, 8).Add(' ').Hex(0x1, 16);
  EXPECT_STREQ(text.data(), "0xdeadbeef 0x0000000000000001");
  EXPECT_FALSE(text.truncated());

  char tiny[6];
  cwplat::CCrashText cut(tiny, sizeof tiny);
  cut.Add("abcdefgh").Dec(12345);
  EXPECT_STREQ(cut.data(), "abcde");
  EXPECT_TRUE(cut.truncated());
}

TEST(CrashTime, LocalTimeArithmeticAgreesWithTheCLibrary) {
  // Leap days, century rules, the epoch, times before it, and offsets either way.
  const std::int64_t moments[] = {0,          -1,         951782400,  951868799, 4107542400, 1709164800,
                                  1706745599, 2147483647, 4102444800, -86400 * 366, 1234567890};
  const long offsets[] = {0, 3600, -18000, 19800, 50400, -43200};
  for (std::int64_t moment : moments) {
    for (long offset : offsets) {
      const time_t shifted = static_cast<time_t>(moment + offset);
      tm expected{};
      ASSERT_NE(gmtime_r(&shifted, &expected), nullptr);
      const cwplat::LocalTime t = cwplat::CrashLocalTime(moment, 321, offset);
      EXPECT_EQ(t.year, expected.tm_year + 1900) << moment << " " << offset;
      EXPECT_EQ(t.month, expected.tm_mon + 1) << moment << " " << offset;
      EXPECT_EQ(t.day, expected.tm_mday) << moment << " " << offset;
      EXPECT_EQ(t.hour, expected.tm_hour) << moment << " " << offset;
      EXPECT_EQ(t.minute, expected.tm_min) << moment << " " << offset;
      EXPECT_EQ(t.second, expected.tm_sec) << moment << " " << offset;
      EXPECT_EQ(t.millisecond, 321);
    }
  }
}

}  // namespace
