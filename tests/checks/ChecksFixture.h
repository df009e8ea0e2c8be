// What every checks test runs in: a registry store, settings that keep the
// user event log silent (its lines still reach the log), and a made-up set
// of drives mounted on folders of a temporary folder.
#pragma once

#include "support/FakeInstallWindow.h"
#include "LocalSettings.h"
#include "platform/drives.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

// Each drive is its own device; every one is fixed, not USB, and writable.
class FakeDrives : public cwplat::IDriveSource {
 public:
  std::map<std::string, std::uint64_t> free;  // by mount point

  void Add(const std::string& mountPoint, std::uint64_t freeBytes) {
    ++m_devices;
    m_mountInfo += std::to_string(100 + m_devices) + " 1 8:" + std::to_string(m_devices) + " / " + mountPoint +
                   " rw - ext4 /dev/sd" + std::to_string(m_devices) + " rw\n";
    free[mountPoint] = freeBytes;
  }

  std::string MountInfo() override { return m_mountInfo; }
  std::optional<std::uint64_t> FreeBytes(const std::string& mountPoint) override {
    const auto it = free.find(mountPoint);
    return it == free.end() ? std::nullopt : std::optional<std::uint64_t>(it->second);
  }
  cwplat::BlockDeviceFlags DeviceFlags(unsigned, unsigned, const std::string&) override { return {}; }
  bool IsWritableFolder(const std::string&) override { return true; }
  std::string CacheFolder() override { return ""; }
  std::string ResolvePath(const std::string& path) override { return path; }

 private:
  std::string m_mountInfo;
  int m_devices = 0;
};

class ChecksTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwtest::WriteFile(dir / "cw_downloader.cfg", "[Settings]\nAutoRun=1\n");
    FuntionImpl::SetLocalSettingsPathForTesting(dir / "cw_downloader.cfg");
    cwplat::SetDriveSourceForTesting(drives);
  }
  void TearDown() override {
    cwplat::SetDriveSourceForTesting(nullptr);
    FuntionImpl::SetLocalSettingsPathForTesting("");
  }

  cwtest::TempDir dir;
  cwtest::ScopedEnv registry{"CW_REGISTRY_ROOT", dir / "registry"};
  std::shared_ptr<FakeDrives> drives = std::make_shared<FakeDrives>();
  cwtest::FakeInstallWindow window;
  cwtest::LogCapture log;
};

// A configuration as the update service sends it (state 2, ConfigSource 1).
inline void ConfigureFromUpdateService(cwtest::FakeInstallWindow& window, std::int64_t size, const std::string& name,
                                       const std::string& process = "QuorlaApp", int softwareId = 77) {
  const std::string xml = "<Downloader><Software_id>" + std::to_string(softwareId) + "</Software_id><Software_name>" +
                          name + "</Software_name><Process_name>" + process + "</Process_name><Filesize>" +
                          std::to_string(size) + "</Filesize></Downloader>";
  window.config = std::make_unique<CConfigure>(521, 1033, 61);
  CConfigure& config = *window.config;
  config.setOsVersionProvider([] { return CConfigure::OsVersion{"TestOS", 10.0f}; });
  config.setFetcher([xml](const std::string&, std::string& body) {
    body = xml;
    return 0;
  });
  ASSERT_EQ(config.getDownloadInfoXml(true, false), 1);
  ASSERT_TRUE(config.parseDownloadInfo());
}
