// The banner service's request and answer: the signed query, the time
// buckets, the list reader's refusals and the picture names it allows.
#include "ui/BannerList.h"
#include "ui/BannerRequest.h"

#include <gtest/gtest.h>

namespace {

TEST(BannerRequest, SignsTheQueryAndTheSaltButSendsOnlyTheQuery) {
  EXPECT_EQ(FuntionImpl::BannerQuery("en", 6881, 1700000000),
            "lang_code=en&parent_pid=6881&timestamp=1700000000&type=1");
  const std::string url = FuntionImpl::BannerPicUrlAt(6881, English, 1700000000);
  // MD5 of the query followed by "Xv29pLmQe7RtcB4k", worked out elsewhere.
  EXPECT_NE(url.find("/api/v1/banners?lang_code=en&parent_pid=6881&timestamp=1700000000&type=1"
                     "&verify=03a63e474acf64bc54d7689e67013373"),
            std::string::npos)
      << url;
  EXPECT_EQ(url.find(FuntionImpl::kBannerSalt), std::string::npos);
  EXPECT_NE(FuntionImpl::BannerPicUrlAt(6881, Japanese, 1700000000).find("lang_code=ja&"), std::string::npos);
}

TEST(BannerRequest, IntervalsAreThreeSecondBuckets) {
  const std::pair<double, const char*> cases[] = {
      {0, "[0~3]s"}, {1.2, "[0~3]s"}, {2.999, "[0~3]s"}, {3, "[3~6]s"}, {4, "[3~6]s"}, {61, "[60~63]s"}, {-5, "[0~3]s"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(FuntionImpl::IntervalText(seconds), text) << seconds;
}

TEST(BannerList, RefusesWhatIsNoList) {
  const std::pair<std::string, const char*> cases[] = {
      {R"({"code": 401, "msg": "verify failed"})", "status"},
      {R"({"code": 200})", "not a list"},
      {R"({"code": 200, "data": [{"banner_url": "http://h/1.png", "sort": 1}]})", "not a list"},
      {R"([{"banner_url": "http://h/1.png", "sort": 1, "code": 5}])", "status"},
      {R"([{"banner_url": "http://h/1.png")", "parse error"},
      {std::string(200, '[') + std::string(200, ']'), "parse error"},
      {"[" + std::string(ui::kMaxBannerAnswerBytes, ' ') + "]", "answer too large"},
      {R"("a text")", "not a list"},
  };
  for (const auto& [answer, outcome] : cases) {
    const ui::BannerList list = ui::ReadBannerList(answer);
    EXPECT_FALSE(list.ok) << answer.substr(0, 60);
    EXPECT_EQ(list.outcome, outcome) << answer.substr(0, 60);
  }
  std::string many = "[";
  for (std::size_t i = 0; i <= ui::kMaxBanners; ++i) many += std::string(i ? "," : "") + R"({"sort":1})";
  EXPECT_EQ(ui::ReadBannerList(many + "]").outcome, "too many banners");
}

TEST(BannerList, KeepsEveryElementButUsesOnlySaneOnes) {
  const ui::BannerList list = ui::ReadBannerList(R"([
    {"banner_url": "http://h/1.png", "jump_url": "http://j/", "prompt": "Neu", "sort": 1},
    {"banner_url": "", "sort": 2},
    {"banner_url": "http://h/3.png", "sort": -1},
    {"banner_url": "http://h/4.png", "sort": 2147483647},
    {"banner_url": "http://h/5.png", "sort": "5"},
    {"banner_url": "http://h/6.png", "sort": 1000},
    7])");
  ASSERT_TRUE(list.ok);
  ASSERT_EQ(list.elements.size(), 7u);
  EXPECT_EQ(list.elements[0].linkUrl, "http://j/");
  EXPECT_EQ(list.elements[0].prompt, "Neu");
  const bool usable[] = {true, false, false, false, false, true, false};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(list.elements[i].usable, usable[i]) << i;
  EXPECT_TRUE(ui::ReadBannerList("[]").ok);
}

TEST(BannerList, PictureNamesStayInTheirFolder) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://h/b/1.png", "/d/1.png"},
      {"http://h/b/1.JPEG", "/d/1.JPEG"},
      {"http://h/b/picture", "/d/1"},               // no "." at all
      {"http://h.example/b/picture", "/d/1"},        // the host's dot is no suffix
      {"http://h/x/../../etc/passwd", "/d/1"},
      {"http://h/1.png?a/b", "/d/1"},
      {"http://h/1.png/../../x", "/d/1"},
      {"http://h/1.p\\ng", "/d/1"},
      {"http://h/1.", "/d/1"},
      {"http://h/1.abcdefghi", "/d/1"},             // nine letters
      {"http://h/1.abcdefgh", "/d/1.abcdefgh"},
  };
  for (const auto& [url, file] : cases) EXPECT_EQ(ui::BannerPictureFile("/d", 1, url), file) << url;
}

}  // namespace
