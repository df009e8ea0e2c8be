// The banner service: the signed query, the list and its pictures, every mode,
// the pictures' confinement to the served folder, the bounds of its settings.
#include "support/DevServerHarness.h"
#include "TestMd5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

namespace devtest {
namespace {

namespace fs = std::filesystem;

// The query the running page sends, signed as the client signs it.
std::string SignedPath(const std::string& lang, const std::string& pid, const std::string& time,
                       const std::string& type = "1") {
  const std::string text = "lang_code=" + lang + "&parent_pid=" + pid + "&timestamp=" + time + "&type=" + type;
  return "/api/v1/banners?" + text + "&verify=" + Md5Hex(text + "Xv29pLmQe7RtcB4k");
}
const std::string kGood = SignedPath("en", "1001", "1700000000");

std::optional<Json::Value> ParseBody(const std::string& body) {
  Json::Value value;
  std::string errors;
  const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
  if (!reader->parse(body.data(), body.data() + body.size(), &value, &errors)) return std::nullopt;
  return value;
}

// A PNG whose header announces the banner size, 650 x 300 (big-endian width and height).
bool IsBannerPng(const std::string& b) {
  return b.size() > 24 && b.compare(0, 16, std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16)) == 0 &&
         b.compare(16, 8, std::string("\0\0\x02\x8a\0\0\x01\x2c", 8)) == 0;
}

class BannerServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path pictures = fs::path(server.root()) / "banners";
    fs::create_directories(pictures);
    for (const char* name : {"banner_1.png", "banner_2.png", "banner_3.png"}) {
      fs::copy_file(fs::path(CW_BINARY_DIR) / "tools/devserver/banners" / name, pictures / name);
    }
  }
  Json::Value List(const std::string& path = kGood) { return ParseBody(Fetch(server.Url(path)).body).value_or(0); }
  // The pictures of a list answer, downloaded in its order: "png" for a good one, else status and type.
  std::string Pictures(const std::string& listBody) {
    const Json::Value list = ParseBody(listBody).value_or(0);
    if (!list.isArray()) return "not a list";
    std::string shapes;
    for (const Json::Value& item : list) {
      const Reply r = Fetch(item["banner_url"].asString());
      const bool png = r.status == 200 && r.Header("Content-Type") == "image/png" && IsBannerPng(r.body);
      shapes += (shapes.empty() ? "" : " ") + (png ? "png" : std::to_string(r.status) + ":" + r.Header("Content-Type"));
    }
    return shapes;
  }

  DevServer server{"{}", true};  // HTTPS too: picture URLs follow the scheme of the query
};

TEST_F(BannerServiceTest, SignedQueryGivesTheListWithPicturesThatDownload) {
  // The client's own example, signature worked out outside the test.
  const Reply reply = Fetch(server.Url(
      "/api/v1/banners?lang_code=en&parent_pid=1001&timestamp=1700000000&type=1&verify=fb2d95620181e7b690eba5228ebf0c79"));
  ASSERT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Header("Content-Type"), "application/json; charset=utf-8");
  const Json::Value list = ParseBody(reply.body).value_or(0);
  ASSERT_TRUE(list.isArray() && list.size() == 3) << reply.body;
  EXPECT_EQ(Pictures(reply.body), "png png png");
  for (Json::ArrayIndex i = 0; i < 3; ++i) {
    const std::string n = std::to_string(i + 1);
    EXPECT_EQ(list[i]["banner_url"].asString(), server.Url("/banners/banner_" + n + ".png"));
    EXPECT_EQ(list[i]["jump_url"].asString(), server.Url("/promotion/" + n));
    EXPECT_FALSE(list[i]["prompt"].asString().empty());
    EXPECT_EQ(list[i]["sort"].asInt(), int(i) + 1);
  }
  EXPECT_NE(Fetch(server.Url("/banners/banner_1.png")).body, Fetch(server.Url("/banners/banner_2.png")).body);
  Request trusted;
  trusted.caFile = server.caFile();
  EXPECT_EQ(ParseBody(Fetch(server.HttpsUrl(kGood), trusted).body).value_or(0)[0]["banner_url"].asString(),
            server.HttpsUrl("/banners/banner_1.png"));

  ASSERT_EQ(server.Control(R"({"banners": {"entries": [
      {"picture": "banner_3.png", "jump_url": "{base}/x?a=1", "prompt": "Ünïcode", "sort": -4}]}})"), 200);
  EXPECT_EQ(Fetch(server.Url(kGood)).body, "[{\"banner_url\":\"" + server.Url("/banners/banner_3.png") +
                                              "\",\"jump_url\":\"" + server.Url("/x?a=1") +
                                              "\",\"prompt\":\"Ünïcode\",\"sort\":-4}]");
}

TEST_F(BannerServiceTest, BadOrUnsignedQueriesGetAStatusObject) {
  std::string flipped = kGood;
  flipped.back() = flipped.back() == '0' ? '1' : '0';
  std::string upper = kGood;
  for (std::size_t i = upper.find("verify=") + 7; i < upper.size(); ++i) upper[i] = char(std::toupper(upper[i]));
  const std::string unsalted = "lang_code=en&parent_pid=1001&timestamp=1700000000&type=1";
  const std::string list = Fetch(server.Url(kGood)).body;
  const std::string verifyFailed = R"({"code":401,"msg":"verify failed"})";
  const std::string badRequest = R"({"code":400,"msg":"bad request"})";
  const struct {
    std::string path;
    std::string body;
  } cases[] = {
      {flipped, verifyFailed},
      {upper, verifyFailed},
      {kGood.substr(0, kGood.find("&verify=")), verifyFailed},
      {"/api/v1/banners?" + unsalted + "&verify=" + Md5Hex(unsalted), verifyFailed},
      {std::string(kGood).replace(kGood.find("1001"), 4, "1002"), verifyFailed},
      {SignedPath("aaaaaaaaaaaaaaaaa", "1001", "1"), badRequest},  // 17 characters
      {SignedPath("", "1001", "1"), badRequest},
      {SignedPath("en_US", "1001", "1"), badRequest},
      {SignedPath("en", "10x1", "1"), badRequest},
      {SignedPath("en", "", "1"), badRequest},
      {SignedPath("en", "1001", "1.5"), badRequest},
      {SignedPath("en", "1001", "1", "2"), badRequest},
      {"/api/v1/banners?lang_code=en&parent_pid=1001&type=1", badRequest},
      {SignedPath("zh-Hant-TW-12345", "-7", "01700000000"), list},  // 16 characters; signed as sent
  };
  for (const auto& c : cases) {
    const Reply reply = Fetch(server.Url(c.path));
    EXPECT_EQ(reply.status, 200) << c.path;
    EXPECT_EQ(reply.body, c.body) << c.path;
  }
  // The record flags what was wrong (lines come in the order the answers completed).
  ASSERT_TRUE(server.WaitForRecords(std::size(cases) + 1));
  const std::vector<Json::Value> records = server.Records();
  EXPECT_TRUE(std::any_of(records.begin(), records.end(), [&](const Json::Value& line) {
    return line["target"].asString() == flipped && line["fault"].asString() == "malformed=verify";
  }));
}

TEST_F(BannerServiceTest, EveryModeAnswersAsConfigured) {
  const std::string listBody = Fetch(server.Url(kGood)).body;
  const struct {
    const char* control;
    std::string body;  // empty: not compared
    const char* pictures;
    double minSeconds = 0;
  } cases[] = {
      {R"({"mode": "empty"})", "[]", ""},
      {R"({"mode": "status", "status_code": 503, "status_msg": "busy"})", R"({"code":503,"msg":"busy"})", "not a list"},
      {R"({"mode": "slow", "slow_seconds": 1})", listBody, "png png png", 0.95},
      {R"({"mode": "missing_picture", "broken_entry": 2})", "", "png 404:text/plain png"},
      {R"({"mode": "not_image", "broken_entry": 3})", "", "png png 200:image/png"},
      {R"({"mode": "invalid_json"})", "", "not a list"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(server.Control(std::string(R"({"banners": )") + c.control + "}"), 200) << c.control;
    const Reply reply = Fetch(server.Url(kGood));
    EXPECT_EQ(reply.status, 200) << c.control;
    EXPECT_TRUE(c.body.empty() || reply.body == c.body) << c.control << ": " << reply.body;
    EXPECT_EQ(Pictures(reply.body), c.pictures) << c.control;
    EXPECT_GE(reply.seconds, c.minSeconds) << c.control;
  }
  // invalid_json (the last case) is the list cut short.
  const std::string cut = Fetch(server.Url(kGood)).body;
  EXPECT_TRUE(!cut.empty() && cut.size() < listBody.size() && listBody.compare(0, cut.size(), cut) == 0) << cut;
  // Slow enough for the client's time-out; reset brings the file's list back.
  ASSERT_EQ(server.Control(R"({"banners": {"mode": "slow", "slow_seconds": 3}})"), 200);
  Request impatient;
  impatient.timeoutMs = 1000;
  EXPECT_EQ(Fetch(server.Url(kGood), impatient).code, CURLE_OPERATION_TIMEDOUT);
  ASSERT_EQ(server.Control(R"({"reset": true})"), 200);
  EXPECT_EQ(Fetch(server.Url(kGood)).body, listBody);
}

TEST_F(BannerServiceTest, PicturesStayInsideTheServedFolder) {
  cwtest::WriteFile(fs::path(server.root()).parent_path() / "secret.png", "secret");
  fs::create_symlink(fs::path(server.root()).parent_path() / "secret.png", fs::path(server.root()) / "banners/out.png");
  EXPECT_EQ(Fetch(server.Url("/banners/%2e%2e/pattern.bin")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/banners/..%2f..%2fsecret.png")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/banners/out.png")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/banners/none.png")).status, 404);
}

TEST_F(BannerServiceTest, SettingsOutOfBoundsAreRefusedWhole) {
  std::string many = R"({"entries": [)";
  for (int i = 0; i < 65; ++i) many += std::string(i ? "," : "") + R"({"picture":"a.png","jump_url":"","prompt":"","sort":0})";
  const std::string cases[] = {
      many + "]}",
      R"({"mode": "sometimes"})",
      R"({"mode": "slow", "slow_seconds": 31})",
      R"({"status_code": 100000})",
      R"({"mode": "missing_picture", "broken_entry": 4})",
      R"({"broken_entry": 0})",
      R"({"entries": [{"picture": "../a.png", "jump_url": "", "prompt": "", "sort": 1}]})",
      R"({"entries": [{"picture": ".a.png", "jump_url": "", "prompt": "", "sort": 1}]})",
      R"({"entries": [{"picture": "a.png", "jump_url": "", "prompt": "", "sort": "x"}]})",
      R"({"entries": [{"picture": "a.png", "jump_url": "", "prompt": ""}]})",
      R"({"entries": [{"picture": "a.png", "jump_url": "", "prompt": ")" + std::string(1025, 'p') + R"(", "sort": 1}]})",
      R"({"mode": "empty", "colour": "red"})",
  };
  for (const std::string& c : cases) EXPECT_EQ(server.Control(R"({"banners": )" + c + "}"), 400) << c.substr(0, 80);
  EXPECT_EQ(List().size(), 3u);  // nothing of a refused change was kept
}

}  // namespace
}  // namespace devtest
