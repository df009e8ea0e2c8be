#include "EmbeddedResources.h"
#include "StartupConfig.h"
#include "toolkit/ResourceArchive.h"

#include <gtest/gtest.h>

namespace {

TEST(ResourceArchive, EmbeddedArchiveReadsWithEitherSeparator) {
  cwui::CResourceArchive archive;
  ASSERT_TRUE(archive.Open(EmbeddedResourceData(), EmbeddedResourceSize())) << archive.LastError();
  auto backslash = archive.Read("configure\\configure.xml");
  auto slash = archive.Read("configure/configure.xml");
  ASSERT_TRUE(backslash.has_value());
  EXPECT_EQ(backslash, slash);
  EXPECT_TRUE(archive.Contains("\\configure\\\\deployment.xml"));
  EXPECT_FALSE(archive.Read("configure\\absent.xml").has_value());
  EXPECT_FALSE(archive.Contains("CMakeLists.txt"));

  StartupConfig config = ReadStartupConfig(backslash);
  EXPECT_EQ(config.downloaderId, 521);
  EXPECT_EQ(config.siteId, 61);
  EXPECT_EQ(config.mainPid, 6881);
  EXPECT_EQ(config.support32System, "0");
  EXPECT_EQ(InstallerBaseName(config.startupUrl), "QuorlaMurmelon_setup");
}

TEST(ResourceArchive, CorruptBytesAreRefused) {
  cwui::CResourceArchive archive;
  EXPECT_FALSE(archive.Open(nullptr, 0));
  const std::string junk(4096, 'x');
  EXPECT_FALSE(archive.Open(junk.data(), junk.size()));
  EXPECT_FALSE(archive.Read("configure\\configure.xml").has_value());

  // A truncated archive loses its central directory.
  const auto* bytes = static_cast<const char*>(EmbeddedResourceData());
  std::string truncated(bytes, EmbeddedResourceSize() / 2);
  EXPECT_FALSE(archive.Open(truncated.data(), truncated.size()));

  // Flipped bytes inside compressed data fail the CRC check instead of returning garbage.
  std::string flipped(bytes, EmbeddedResourceSize());
  for (size_t i = 64; i < flipped.size() / 2; i += 97) flipped[i] = static_cast<char>(flipped[i] ^ 0x5a);
  if (archive.Open(flipped.data(), flipped.size())) {
    auto xml = archive.Read("configure\\configure.xml");
    if (xml) {
      EXPECT_NE(xml->find("Product_config"), std::string::npos);
    }
  }
}

}  // namespace
