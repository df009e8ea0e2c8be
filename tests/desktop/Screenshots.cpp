#include "Screenshots.h"

#include "support/AccessibleDesktop.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

namespace desktoptest {

const std::string& ImportPath() {
  static const std::string path = cwtest::ToolPath("import");
  return path;
}

Screenshots::Screenshots() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  m_folder = std::string(CW_BINARY_DIR) + "/tests/desktop-shots/" + info->test_suite_name() + "." + info->name();
  std::error_code ec;
  std::filesystem::remove_all(m_folder, ec);
  std::filesystem::create_directories(m_folder, ec);
}

bool Screenshots::Take(const std::string& step) {
  char number[16];
  std::snprintf(number, sizeof number, "%02d-", ++m_count);
  cwtest::ChildProcess import(ImportPath(), {"-window", "root", m_folder + "/" + number + step + ".png"}, {},
                              m_folder + "/import.log");
  return import.Wait(20000) == 0;
}

}  // namespace desktoptest
