// The transport's client opens http and https only, for the first URL and for
// every redirect: a deployment value or a server's Location naming file:// or
// ftp:// is refused.
#include <gtest/gtest.h>

#include "support/NginxServer.h"
#include "support/TestSupport.h"
#include "weblog/CurlHttpClient.h"

namespace {

TEST(WebLogSchemes, OnlyHttpAndHttpsAreOpened) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "softwarelog.txt", "http://user-check.example\n");
  cwtest::NginxServer nginx(dir.path(), cwtest::SchemeRedirects(dir / "softwarelog.txt", "softwarelog.txt"));
  if (!nginx.running()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");

  CurlHttpClient client;
  for (const std::string& url : std::vector<std::string>{"file://" + (dir / "softwarelog.txt"),
                                                         "ftp://127.0.0.1:1/softwarelog.txt", "dict://127.0.0.1:1/x"}) {
    SCOPED_TRACE(url);
    EXPECT_EQ(client.Get(url, {}, ""), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(client.GetResponseContent(), "");
    EXPECT_EQ(client.Post(url, "{}", {"Content-Type:application/json; charset=utf-8"}), CURLE_UNSUPPORTED_PROTOCOL);
  }
  for (const char* path : {"/to-file", "/to-ftp"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(client.Get(nginx.url(path), {}, ""), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(client.GetResponseContent().find("user-check"), std::string::npos);
  }
  ASSERT_EQ(client.Get(nginx.url("/to-http"), {}, ""), CURLE_OK);
  EXPECT_EQ(client.GetResponseCode(), 200);
  EXPECT_EQ(client.GetResponseContent(), "http://user-check.example\n");
}

}  // namespace
