// The applications folder the window offers: the override when it is an
// absolute path, else the per-user (or, for root, the system) default.
#include "platform/paths.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

TEST(Paths, ApplicationsFolderTakesOnlyAnAbsoluteOverride) {
  const std::string fallback = geteuid() == 0 ? "/opt" : std::string(getenv("HOME")) + "/.local/opt";
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"/tmp/demo/Apps", "/tmp/demo/Apps"}, {"relative/Apps", fallback}, {"", fallback}, {std::nullopt, fallback}};
  for (const auto& [value, folder] : cases) {
    cwtest::ScopedEnv env("CW_APPLICATIONS_FOLDER", value);
    EXPECT_EQ(cwplat::GetApplicationsFolder(), folder) << value.value_or("(unset)");
  }
}

}  // namespace
