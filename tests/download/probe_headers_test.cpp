// Reading a size probe's header text: sizes, redirect targets and CDN marks.
#include "ProbeHeaders.h"

#include <gtest/gtest.h>

namespace {

TEST(ProbeHeaders, SizeFromContentRangeBeforeContentLength) {
  EXPECT_EQ(ScanProbeHeaders("HTTP/1.1 200 OK\r\nContent-Length: 12345\r\n\r\n").size, 12345);
  EXPECT_EQ(ScanProbeHeaders("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nContent-Range: bytes 0-9/777\r\n\r\n").size,
            777);
  const ProbeHeaderScan none = ScanProbeHeaders("HTTP/1.1 200 OK\r\nServer: x\r\n\r\n");
  EXPECT_FALSE(none.hasSize);
  EXPECT_EQ(none.size, 0);
  // Not a number, zero, negative or too large all give 0.
  for (const char* text : {"Content-Length: abc\r\n", "Content-Length: 0\r\n", "Content-Length: -5\r\n",
                           "Content-Length: 99999999999999999999999\r\n", "Content-Length:"}) {
    const ProbeHeaderScan scan = ScanProbeHeaders(text);
    EXPECT_TRUE(scan.hasSize) << text;
    EXPECT_EQ(scan.size, 0) << text;
  }
}

TEST(ProbeHeaders, SizeAndLocationInAnyCaseButCdnMarksExactly) {
  const ProbeHeaderScan h2 = ScanProbeHeaders("HTTP/2 200\r\ncontent-length: 42\r\nx-cache: Hit\r\n\r\n");
  EXPECT_EQ(h2.size, 42);
  EXPECT_FALSE(h2.xCache);
  EXPECT_EQ(ScanProbeHeaders("HTTP/2 302\r\nlocation: /x\r\n").location, "/x");
  EXPECT_EQ(ScanProbeHeaders("content-range: bytes 0-0/99\r\n").size, 99);
}

TEST(ProbeHeaders, LocationOnlyAtTheStartOfALine) {
  const ProbeHeaderScan redirect =
      ScanProbeHeaders("HTTP/1.1 302 Found\r\nLocation: http://b.test/f.exe\r\n\r\nHTTP/1.1 200 OK\r\n");
  EXPECT_TRUE(redirect.hasLocation);
  EXPECT_EQ(redirect.location, "http://b.test/f.exe");
  const ProbeHeaderScan content =
      ScanProbeHeaders("HTTP/1.1 200 OK\r\nContent-Location: /other\r\nContent-Length: 4\r\n\r\n");
  EXPECT_FALSE(content.hasLocation);
  EXPECT_EQ(content.size, 4);
}

TEST(ProbeHeaders, CloudflareMarksKeepTheBlankOfTheCacheStatus) {
  const ProbeHeaderScan scan =
      ScanProbeHeaders("HTTP/1.1 200 OK\r\nCF-Cache-Status: HIT\r\nCF-RAY: 7d2a9c1b2e3f4a5b-FRA\r\n\r\n");
  ASSERT_TRUE(scan.cloudflare);
  EXPECT_EQ(scan.node + "/" + scan.cacheStatus, "FRA/ HIT");
  EXPECT_FALSE(scan.xCache);
  // A ray without its node part is not a Cloudflare mark; X-Cache is read then.
  const ProbeHeaderScan xcache = ScanProbeHeaders("CF-RAY: abc\r\nCF-Cache-Status: MISS\r\nX-Cache: Hit from cloudfront\r\n");
  EXPECT_FALSE(xcache.cloudflare);
  ASSERT_TRUE(xcache.xCache);
  EXPECT_EQ(xcache.xCacheValue, "Hit from cloudfront");
  // Lower-case names (HTTP/2) are not examined.
  EXPECT_FALSE(ScanProbeHeaders("x-cache: Hit\r\ncf-ray: a-b\r\n").xCache);
}

TEST(ProbeHeaders, ValuesWithoutLineEndsStopAtTheEndOfTheText) {
  const ProbeHeaderScan scan = ScanProbeHeaders("X-Cache: tail\r\nLocation: http://x.test/y");
  EXPECT_EQ(scan.xCacheValue, "tail");
  EXPECT_EQ(scan.location, "http://x.test/y");
  EXPECT_EQ(ScanProbeHeaders("Location:").location, "");
}

TEST(ProbeHeaders, RelativeLocationsAreResolvedAgainstTheAnsweringUrl) {
  EXPECT_EQ(ResolveLocation("http://a.test:81/dir/f.exe", "http://b.test/g.exe"), "http://b.test/g.exe");
  EXPECT_EQ(ResolveLocation("http://a.test:81/dir/f.exe", "/other/g.exe"), "http://a.test:81/other/g.exe");
  EXPECT_EQ(ResolveLocation("http://a.test/dir/f.exe", "g.exe?x=1"), "http://a.test/dir/g.exe?x=1");
  EXPECT_EQ(ResolveLocation("http://a.test/f", ""), "");
}

}  // namespace
