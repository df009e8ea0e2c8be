#include "platform/paths.h"
#include "platform/sync.h"
#include "platform/window_raise.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>

namespace {

using cwplat::CRaiseListener;
using cwplat::RequestRaise;
using Clock = std::chrono::steady_clock;

const char kClass[] = "CW_UI_Frame_521";

// A socket bound at path; listening or not. -1 on failure.
int BindAt(const std::string& path, bool listening) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      (listening && listen(fd, 4) != 0)) {
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

// Connects to path, optionally sends text, and returns the socket.
int ConnectAndSend(const std::string& path, const std::string& text) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      (!text.empty() && send(fd, text.data(), text.size(), MSG_NOSIGNAL) < 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(WindowRaise, RequestReachesTheListener) {
  cwtest::TempDir dir;
  std::atomic<int> raised{0};
  CRaiseListener listener(dir.path());
  ASSERT_TRUE(listener.Start(kClass, [&] { ++raised; }));
  EXPECT_TRUE(listener.IsListening());
  EXPECT_EQ(listener.SocketPath(), dir / "CW_UI_Frame_521.sock");

  EXPECT_TRUE(RequestRaise(kClass, dir.path()));
  EXPECT_TRUE(RequestRaise(kClass, dir.path()));
  EXPECT_EQ(raised.load(), 2);  // "ok" is sent after the window was asked
  EXPECT_FALSE(RequestRaise("CW_UI_Frame_522", dir.path()));

  listener.Stop();
  EXPECT_FALSE(listener.IsListening());
  EXPECT_FALSE(cwplat::FileExists(dir / "CW_UI_Frame_521.sock"));
  EXPECT_FALSE(RequestRaise(kClass, dir.path()));
  listener.Stop();  // again: harmless
}

TEST(WindowRaise, NobodyListening) {
  cwtest::TempDir dir;
  const auto start = Clock::now();
  EXPECT_FALSE(RequestRaise(kClass, dir.path()));
  EXPECT_FALSE(RequestRaise("../CW_UI_Frame_521", dir.path()));
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));  // no waiting for a time-out
}

TEST(WindowRaise, StaleSocketOfADeadCopyIsReplaced) {
  cwtest::TempDir dir;
  const int dead = BindAt(dir / "CW_UI_Frame_521.sock", true);
  ASSERT_GE(dead, 0);
  close(dead);  // the file stays; connecting to it is refused
  EXPECT_FALSE(RequestRaise(kClass, dir.path()));

  std::atomic<int> raised{0};
  CRaiseListener listener(dir.path());
  ASSERT_TRUE(listener.Start(kClass, [&] { ++raised; }));
  EXPECT_TRUE(RequestRaise(kClass, dir.path()));
  EXPECT_EQ(raised.load(), 1);
}

TEST(WindowRaise, LiveListenerIsNeverTakenOver) {
  cwtest::TempDir dir;
  std::atomic<int> raised{0};
  CRaiseListener first(dir.path()), second(dir.path());
  ASSERT_TRUE(first.Start(kClass, [&] { ++raised; }));
  EXPECT_FALSE(second.Start(kClass, [] {}));
  EXPECT_FALSE(first.Start(kClass, [] {}));  // already listening
  second.Stop();                             // must not remove the first one's socket
  EXPECT_TRUE(RequestRaise(kClass, dir.path()));
  EXPECT_EQ(raised.load(), 1);

  // A live socket of some other program at the path: left alone as well.
  const int foreign = BindAt(dir / "Foreign.sock", true);
  ASSERT_GE(foreign, 0);
  CRaiseListener third(dir.path());
  EXPECT_FALSE(third.Start("Foreign", [] {}));
  EXPECT_TRUE(cwplat::FileExists(dir / "Foreign.sock"));
  close(foreign);
}

TEST(WindowRaise, BadClientsDoNotStopTheListener) {
  cwtest::TempDir dir;
  std::atomic<int> raised{0};
  CRaiseListener listener(dir.path());
  ASSERT_TRUE(listener.Start(kClass, [&] { ++raised; }));
  const std::string path = listener.SocketPath();
  const int wrong = ConnectAndSend(path, "lower\n");
  const int flood = ConnectAndSend(path, std::string(4096, 'r'));
  const int quiet = ConnectAndSend(path, "");  // holds the listener for its half-second limit
  ASSERT_GE(wrong, 0);
  ASSERT_GE(flood, 0);
  ASSERT_GE(quiet, 0);
  EXPECT_TRUE(RequestRaise(kClass, dir.path()));
  EXPECT_EQ(raised.load(), 1);
  close(wrong);
  close(flood);
  close(quiet);

  // Stop does not wait for a silent client.
  const int silent = ConnectAndSend(path, "");
  ASSERT_GE(silent, 0);
  usleep(20 * 1000);
  const auto start = Clock::now();
  listener.Stop();
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
  close(silent);
}

TEST(WindowRaise, UnusableNamesAndPaths) {
  cwtest::TempDir dir;
  CRaiseListener listener(dir.path());
  EXPECT_FALSE(listener.Start("", [] {}));
  EXPECT_FALSE(listener.Start("a/b", [] {}));
  EXPECT_FALSE(listener.Start(kClass, nullptr));
  const std::string deep = dir / std::string(120, 'd');
  ASSERT_TRUE(cwplat::CreateDirectories(deep));
  CRaiseListener tooLong(deep);
  EXPECT_FALSE(tooLong.Start(kClass, [] {}));  // longer than sun_path
  EXPECT_FALSE(RequestRaise(kClass, deep));
}

TEST(WindowRaise, DefaultFolderIsTheRuntimeFolder) {
  cwtest::TempDir dir;
  cwtest::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
  CRaiseListener listener;
  ASSERT_TRUE(listener.Start(kClass, [] {}));
  EXPECT_EQ(listener.SocketPath(), dir / "CW_UI_Frame_521.sock");
  EXPECT_TRUE(RequestRaise(kClass));
}

}  // namespace
