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

  // A flipped byte inside an entry's compressed data fails that entry instead
  // of returning garbage; the archive still opens and its other entries read.
  std::string flipped(bytes, EmbeddedResourceSize());
  const std::string name = "configure/configure.xml";
  const std::size_t nameAt = flipped.find(name);  // local headers come before the central directory
  ASSERT_TRUE(nameAt != std::string::npos && nameAt >= 30);
  const std::size_t header = nameAt - 30;
  ASSERT_EQ(flipped.compare(header, 4, "PK\x03\x04"), 0);
  const auto le = [&flipped](std::size_t at, std::size_t n) {  // a little-endian field of the header
    std::size_t v = 0;
    while (n-- > 0) v = v << 8 | static_cast<unsigned char>(flipped[at + n]);
    return v;
  };
  const std::size_t data = header + 30 + name.size() + le(header + 28, 2);
  flipped[data + le(header + 18, 4) / 2] ^= 0x5a;
  ASSERT_TRUE(archive.Open(flipped.data(), flipped.size())) << archive.LastError();
  EXPECT_FALSE(archive.Read(name).has_value());
  EXPECT_TRUE(archive.Read("configure/deployment.xml").has_value());
}

}  // namespace
