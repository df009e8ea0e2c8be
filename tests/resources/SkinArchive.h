// The embedded archive with the toolkit's fonts loaded from it, and the
// windows of its layouts, for the suites that check the shipped skin.
#pragma once

#include "src/app/EmbeddedResources.h"
#include "toolkit/FontMap.h"
#include "toolkit/ResourceArchive.h"
#include "toolkit/Window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class SkinArchive : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (s_archive.IsOpen()) return;
    ASSERT_TRUE(s_archive.Open(EmbeddedResourceData(), EmbeddedResourceSize()));
    const auto fonts = s_archive.Read("fonts/fonts.conf");
    ASSERT_TRUE(fonts);
    ASSERT_TRUE(cwui::FontMap::Load(*fonts));
  }
  static cwui::LayoutSource Source() {
    return [](const std::string& path) { return s_archive.Read(path); };
  }
  // The window of a layout, laid out; nullptr (with a failure) when it does not read cleanly.
  static std::unique_ptr<cwui::Window> Open(const std::string& layout) {
    const auto xml = s_archive.Read(layout);
    std::string error;
    auto skin = xml ? cwui::ReadSkin(*xml, Source(), &error) : std::nullopt;
    EXPECT_TRUE(skin) << layout << ": " << (xml ? error : "not in the archive");
    EXPECT_EQ(error, "") << layout;
    if (!skin) return nullptr;
    auto window = std::make_unique<cwui::Window>(std::move(*skin), Source());
    window->layout();
    return window;
  }
  static inline cwui::CResourceArchive s_archive;
};
