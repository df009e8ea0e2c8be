#include "Xdo.h"

#include "support/AccessibleDesktop.h"
#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace desktoptest {

const std::string& XdotoolPath() {
  static const std::string path = cwtest::ToolPath("xdotool");
  return path;
}

std::string Xdotool(const std::vector<std::string>& args, bool* ok) {
  cwtest::TempDir dir;
  cwtest::ChildProcess tool(XdotoolPath(), args, {}, dir / "out");
  const int code = tool.Wait(10000);
  std::string out = cwtest::ReadFile(dir / "out");
  if (ok != nullptr) {
    *ok = code == 0;
  } else if (code != 0) {
    std::string line;
    for (const std::string& a : args) line += " " + a;
    ADD_FAILURE() << "xdotool" << line << " ended with " << code << ": " << out;
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

void ClickAt(int x, int y) {
  // The server takes the move and the press in order, so the press lands
  // where asked; --sync is left out, as it waits for ever when the pointer is
  // already there (a second click on the same spot).
  Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", "1"});
}

void PressKeys(const std::vector<std::string>& keys) {
  std::vector<std::string> args{"key", "--delay", "30"};
  args.insert(args.end(), keys.begin(), keys.end());
  Xdotool(args);
}

void TypeText(const std::string& text) { Xdotool({"type", "--delay", "10", text}); }

unsigned long FocusedWindow() {
  bool ok = false;
  const std::string out = Xdotool({"getwindowfocus"}, &ok);
  return ok ? std::strtoul(out.c_str(), nullptr, 10) : 0;
}

unsigned long WindowNamed(const std::string& title) {
  bool ok = false;
  const std::string out = Xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}, &ok);
  return ok ? std::strtoul(out.c_str(), nullptr, 10) : 0;
}

void FocusWindow(unsigned long window) { Xdotool({"windowfocus", "--sync", std::to_string(window)}); }

}  // namespace desktoptest
