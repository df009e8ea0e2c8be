// The fatal-signal handler in a forked copy of this test: what the dump holds,
// where it goes, and what it does with the instance lock.
#include "CrashHandler.h"
#include "CrashTestSupport.h"
#include "platform/crash_handler.h"
#include "platform/sync.h"
#include "platform/thread.h"
#include "platform/instance_lock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& wanted) {
  return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

// The value of the first "key: value" line, "" when there is none.
std::string Value(const std::vector<std::string>& lines, const std::string& key) {
  for (const std::string& line : lines) {
    if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
  }
  return {};
}

// Installs the handler with `context` and crashes; runs inside EXPECT_EXIT.
[[noreturn]] void CrashWith(const cwplat::CrashContext& context, cwplat::CrashKind kind) {
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  if (!cwplat::InstallCrashHandler() || !cwplat::SetCrashContext(context)) _exit(3);
  cwplat::ProvokeCrash(kind);
}

class CrashHandler : public ::testing::Test {
 protected:
  void SetUp() override {
    if (crashtest::SanitizerKeepsFatalSignals()) GTEST_SKIP() << "the sanitizer runtime keeps the fatal signals";
  }
  cwplat::CrashContext Context() const {
    cwplat::CrashContext context;
    context.dumpPath = m_dir / "run_1.log.dmp";
    context.fallbackPrefix = m_dir / "9_1.0.0.1_";
    context.headerLines = "version: 1.0.0.1\ndownloader id: 9\n";
    return context;
  }
  std::string DumpText() const { return cwtest::ReadFile(m_dir / "run_1.log.dmp"); }

  cwtest::TempDir m_dir;
};

TEST_F(CrashHandler, DumpHoldsSignalRegistersBacktraceMapAndItsOwnLogLines) {
  EXPECT_EXIT(CrashWith(Context(), cwplat::CrashKind::InvalidWrite), ::testing::KilledBySignal(SIGSEGV),
              "Exception handler entered\\.");
  const std::string text = DumpText();
  const auto lines = Lines(text);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "CW crash report 1");
  EXPECT_EQ(lines.back(), "[end]");
  ASSERT_GE(lines.size(), 5u);
  EXPECT_TRUE(crashtest::Matches(lines[1], "time: " + crashtest::kStamp)) << lines[1];
  EXPECT_TRUE(crashtest::Matches(lines[2], "pid: #*")) << lines[2];
  EXPECT_TRUE(crashtest::Matches(lines[3], "tid: #*")) << lines[3];
  EXPECT_EQ(lines[4], "version: 1.0.0.1");
  EXPECT_TRUE(HasLine(lines, "signal: 11 SIGSEGV"));
  EXPECT_TRUE(HasLine(lines, "code: 2"));  // SEGV_ACCERR: the page exists but is not accessible
  const std::string address = Value(lines, "address");
  EXPECT_TRUE(crashtest::Matches(address, "0x" + std::string(16, '%'))) << address;
  EXPECT_NE(address, "0x0000000000000000");
#if defined(__x86_64__)
  EXPECT_TRUE(HasLine(lines, "cr2 " + address));  // the CPU's fault address agrees
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& line) { return crashtest::Matches(line, "rip 0x" + std::string(16, '%')); }));
#endif
  // Sections in order, the backtrace reaching the function that crashed.
  const size_t registers = text.find("\n[registers]\n"), backtrace = text.find("\n[backtrace]\n");
  const size_t maps = text.find("\n[maps]\n"), mapsEnd = text.find("\n[end of maps]\n");
  ASSERT_NE(mapsEnd, std::string::npos);
  EXPECT_LT(registers, backtrace);
  EXPECT_LT(backtrace, maps);
  EXPECT_LT(maps, mapsEnd);
  EXPECT_GE(Lines(text.substr(backtrace, maps - backtrace)).size(), 4u);  // header and three frames at least
  EXPECT_NE(text.substr(maps, mapsEnd - maps).find("[stack]"), std::string::npos);

  const auto logLines = cwplat::ReadCrashDumpLogLines(m_dir / "run_1.log.dmp");
  ASSERT_EQ(logLines.size(), 3u);
  EXPECT_EQ(logLines[0], " Exception handler entered.");
  EXPECT_TRUE(crashtest::Matches(logLines[1], " Create dmp file: #*, 0")) << logLines[1];
  EXPECT_EQ(logLines[2], " Write dmp file: 1, 0");
}

TEST_F(CrashHandler, AbortEndsWithSigabrtAfterTheDump) {
  EXPECT_EXIT(CrashWith(Context(), cwplat::CrashKind::Abort), ::testing::KilledBySignal(SIGABRT), "");
  const auto lines = Lines(DumpText());
  EXPECT_TRUE(HasLine(lines, "signal: 6 SIGABRT"));
  EXPECT_TRUE(HasLine(lines, "log:  Write dmp file: 1, 0"));
}

TEST_F(CrashHandler, ReleasesTheInstanceLockItWasGiven) {
  EXPECT_EXIT(
      {
        cwplat::CInstanceLock lock(m_dir.path());
        if (lock.Acquire("ZKT_Downloader_9") != cwplat::CInstanceLock::Result::Acquired) _exit(4);
        cwplat::CrashContext context = Context();
        context.instanceLockFd = lock.NativeHandleForCrash();
        CrashWith(context, cwplat::CrashKind::InvalidWrite);
      },
      ::testing::KilledBySignal(SIGSEGV), "Release mutex: 1, 0");
  EXPECT_TRUE(HasLine(Lines(DumpText()), "log:  Release mutex: 1, 0"));
}

TEST_F(CrashHandler, LeavesAloneADescriptorThatIsNoLongerTheLock) {
  EXPECT_EXIT(
      {
        cwplat::CInstanceLock lock(m_dir.path());
        if (lock.Acquire("ZKT_Downloader_9") != cwplat::CInstanceLock::Result::Acquired) _exit(4);
        cwplat::CrashContext context = Context();
        context.instanceLockFd = lock.NativeHandleForCrash();
        if (!cwplat::InstallCrashHandler() || !cwplat::SetCrashContext(context)) _exit(5);
        lock.Release();
        // The number is reused by another file before the crash.
        if (open((m_dir / "other.txt").c_str(), O_CREAT | O_WRONLY, 0600) != context.instanceLockFd) _exit(6);
        cwplat::ProvokeCrash(cwplat::CrashKind::InvalidWrite);
      },
      ::testing::KilledBySignal(SIGSEGV), "");
  const std::string text = DumpText();
  ASSERT_NE(text.find("[end]"), std::string::npos);
  EXPECT_EQ(text.find("Release mutex"), std::string::npos);
}

TEST_F(CrashHandler, UnwritableDumpFolderFallsBackToTheTemporaryName) {
  cwplat::CrashContext context = Context();
  context.dumpPath = m_dir / "missing-folder/run_1.log.dmp";
  EXPECT_EXIT(CrashWith(context, cwplat::CrashKind::InvalidWrite), ::testing::KilledBySignal(SIGSEGV),
              "Create dmp file: -1, 2");
  std::vector<std::string> dumps;
  for (const auto& entry : fs::directory_iterator(m_dir.path())) dumps.push_back(entry.path().filename());
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_TRUE(crashtest::Matches(dumps[0], "9_1.0.0.1_" + crashtest::kStamp + ".dmp")) << dumps[0];
  const auto logLines = cwplat::ReadCrashDumpLogLines(m_dir / dumps[0]);
  ASSERT_GE(logLines.size(), 3u);
  EXPECT_EQ(logLines[1], " Create dmp file: -1, 2");
}

TEST_F(CrashHandler, DoesNotFollowALinkPlantedAtTheDumpPath) {
  cwtest::WriteFile(m_dir / "victim.txt", "keep me");
  fs::create_symlink(m_dir / "victim.txt", m_dir / "run_1.log.dmp");
  EXPECT_EXIT(CrashWith(Context(), cwplat::CrashKind::InvalidWrite), ::testing::KilledBySignal(SIGSEGV), "");
  EXPECT_EQ(cwtest::ReadFile(m_dir / "victim.txt"), "keep me");
}

// Deep enough to run past any thread's stack; the volatile frame keeps the
// compiler from turning the recursion into a loop.
int Recurse(long depth) {
  volatile char frame[512];
  frame[0] = static_cast<char>(depth);
  if (depth > 0) frame[1] = static_cast<char>(Recurse(depth - 1));
  return frame[0] + frame[1];
}

TEST_F(CrashHandler, StackOverflowOnTheMainThreadStillGivesADump) {
  EXPECT_EXIT(
      {
        if (!cwplat::InstallCrashHandler() || !cwplat::SetCrashContext(Context())) _exit(3);
        Recurse(1L << 40);
        _exit(4);
      },
      ::testing::KilledBySignal(SIGSEGV), "Write dmp file: 1, 0");
  EXPECT_TRUE(HasLine(Lines(DumpText()), "signal: 11 SIGSEGV"));
}

TEST_F(CrashHandler, StackOverflowOnAProgramThreadGivesADump) {
  EXPECT_EXIT(
      {
        if (!cwplat::InstallCrashHandler() || !cwplat::SetCrashContext(Context())) _exit(3);
        // The program's threads get their alternate stack when they start.
        cwplat::CThread worker;
        if (!worker.Start([] { Recurse(1L << 40); })) _exit(5);
        worker.Join(cwplat::kInfinite);
        _exit(4);
      },
      ::testing::KilledBySignal(SIGSEGV), "Write dmp file: 1, 0");
  // The crashing thread is the worker, not the main thread.
  const auto lines = Lines(DumpText());
  ASSERT_NE(Value(lines, "tid"), "");
  EXPECT_NE(Value(lines, "pid"), Value(lines, "tid"));
}

TEST_F(CrashHandler, CrashTestSettingCrashesThroughTheProgramsHandler) {
  // No log in this process: the dump takes the fallback name in the temporary folder.
  EXPECT_EXIT(
      {
        setenv("TMPDIR", m_dir.path().c_str(), 1);
        FuntionImpl::InstallUnhandledExceptionHandler();
        FuntionImpl::RefreshCrashHandler();
        FuntionImpl::RunCrashTest();
      },
      ::testing::KilledBySignal(SIGSEGV), "Write dmp file: 1, 0");
  const auto dumps = crashtest::FilesMatching(m_dir.path(), "0_*_" + crashtest::kStamp + ".dmp");
  ASSERT_EQ(dumps.size(), 1u);
  EXPECT_TRUE(HasLine(Lines(cwtest::ReadFile(m_dir / dumps[0])), "downloader config: 0"));
}

TEST(CrashContext, RefusesTextsTooLongForTheHandler) {
  cwplat::CrashContext context;
  context.dumpPath = "/tmp/" + std::string(cwplat::kCrashMaxPath, 'x');
  EXPECT_FALSE(cwplat::SetCrashContext(context));
  context.dumpPath = "/tmp/x.dmp";
  context.headerLines = std::string(cwplat::kCrashMaxHeader, 'h');
  EXPECT_FALSE(cwplat::SetCrashContext(context));
  context.headerLines = "a: b\n";
  EXPECT_TRUE(cwplat::SetCrashContext(context));
}

// ---- reading a dump back ----

TEST(CrashReport, OnlyHeaderAndTrailerLogLinesCount) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "d.dmp",
                    "CW crash report 1\nlog:  one\nsignal: 11 SIGSEGV\n[registers]\nlog:  not me\n[backtrace]\n"
                    "log:  nor me\n[maps]\nlog:  nor me either\n[end of maps]\nlog:  two\n[end]\n");
  EXPECT_EQ(cwplat::ReadCrashDumpLogLines(dir / "d.dmp"), (std::vector<std::string>{" one", " two"}));
}

TEST(CrashReport, ForeignOrHugeInputIsBounded) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "foreign.dmp", "MDMP\nlog:  x\n");
  EXPECT_TRUE(cwplat::ReadCrashDumpLogLines(dir / "foreign.dmp").empty());
  EXPECT_TRUE(cwplat::ReadCrashDumpLogLines(dir / "missing.dmp").empty());

  std::string many = "CW crash report 1\n";
  for (int i = 0; i < 1000; ++i) many += "log: " + std::string(10000, 'y') + "\n";
  cwtest::WriteFile(dir / "many.dmp", many);
  const auto lines = cwplat::ReadCrashDumpLogLines(dir / "many.dmp");
  EXPECT_EQ(lines.size(), cwplat::kMaxCrashLogLines);
  EXPECT_EQ(lines.front().size(), cwplat::kMaxCrashLogLineBytes);
}

}  // namespace
