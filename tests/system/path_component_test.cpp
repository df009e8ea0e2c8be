// Remote names that become one path component: what passes and what a
// hostile answer tries.
#include "PathComponent.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using FuntionImpl::IsPlainPathComponent;

TEST(PathComponent, PlainNamesPassHostileOnesDoNot) {
  const std::string longest(FuntionImpl::kMaxPathComponentBytes, 'a');
  for (const std::string& plain : {std::string("Murmelon.exe"), std::string("Quorla Murmelon"),
                                   std::string("2.0.1"), std::string("日本語.exe"), std::string("it's.exe"),
                                   std::string("..."), longest}) {
    EXPECT_TRUE(IsPlainPathComponent(plain)) << plain;
  }
  for (const std::string& hostile :
       {std::string(), std::string("."), std::string(".."), std::string("../../../../../../usr/bin/touch"),
        std::string("touch\" \"/tmp/x"), std::string("a/b"), std::string("/etc"), std::string("..\\..\\x.exe"),
        std::string("a\nb"), std::string("a\rb"), std::string("a\tb"), std::string("a\x7f"), std::string("a\0b", 3),
        longest + "a"}) {
    EXPECT_FALSE(IsPlainPathComponent(hostile)) << hostile;
  }
}

}  // namespace
