// The start-up steps both runs share: the 32-bit refusal and what follows it.
#include "StartupSteps.h"
#include "support/LogCapture.h"
#include "telemetry/TelemetryTestSupport.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace {

bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& text : texts) {
    if (text.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST(SharedStartupSteps, RefusesOnlyA32BitSystemThatIsNotSupported) {
  teletest::ScopedSettings settings;  // AutoRun off: the event log records
  const std::string firewallLine = " Firewall authorisation skipped for " + cwplat::GetModuleFileName() +
                                   ": this system has no per-application firewall list";
  struct Case {
    const char* support32System;
    bool is64Bit;
    bool refused;
  } cases[] = {
      {"0", false, true},
      {"0", true, false},
      {"1", false, false},
      {"", false, false},  // a configuration without the key
      {"00", false, false},  // only the text "0" refuses
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("Support32System \"") + c.support32System + "\", 64-bit " + (c.is64Bit ? "yes" : "no"));
    auto transport = std::make_shared<teletest::FakeTransport>();
    auto userLog = teletest::MakeLog(transport);
    StartupConfig config;
    config.support32System = c.support32System;
    int shown = 0;
    StartupStepServices services;
    services.showNotSupported = [&shown] { ++shown; };
    services.is64BitSystem = [&c] { return c.is64Bit; };

    cwtest::LogCapture log;
    EXPECT_EQ(RunSharedStartupSteps(config, *userLog, services), !c.refused);
    userLog->WaitThreadForExit();
    EXPECT_EQ(shown, c.refused ? 1 : 0);
    EXPECT_EQ(AnyContains(transport->PageViews(), "ep.cw_action=32bitStartupForbided"), c.refused);
    // A refused copy registers nothing with the firewall.
    EXPECT_EQ(log.has(firewallLine), !c.refused);
  }
}

}  // namespace
