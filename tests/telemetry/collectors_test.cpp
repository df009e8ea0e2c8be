// The devserver's analytics, identity and exception collectors: answers, and
// what they flag in the record.
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

namespace {

using devtest::DevServer;
using devtest::Fetch;
using devtest::Request;

const char kGoodHit[] =
    "/g/collect?v=2&cid=4F3C2B1AAABBCCDDEE01&tid=G-5QK2W7HZ3N&ep.cw_productname=Downloader"
    "&ep.cw_productversion=1.0.0.1&ep.cw_category=Download&ep.cw_action=1.Launch&ep.cw_label=First%20Run"
    "&en=1.Launch&ep.cd1=1.0.0.1&ep.cd2=SEO&ep.cd3=Quorla&ep.cd4=Quorla&ep.cd5=US&ep.cd6=English"
    "&ep.cd7=Linux%2064bit&ep.cd8=1";

const char kGoodFunnel[] = R"({"version":"2.0","ts":1700000000000,
  "actions":{"event_type":"CoreFuncEvent","event_category":"Download","event_action":"DownStart",
             "event_label":"null","core_func_name":"Downloading","func_step":1},
  "common":{"uid":"u","session_id":"0123ABCD456789efA1B2C3D4E5F60718","pid":61,"brand":"PC","model":"PC",
            "channel":"","is_new":1,"mac":"AABBCCDDEE01","os":"Linux","os_version":"6.1","product":"Quorla",
            "product_version":"","email":"","phone":"","is_vip":null,"is_login":null,"user_id":null,
            "cross_end_id":"","source_type":"downloader","rnclid":"","tools_version":"1.0.0.1",
            "tools_lang":"en","kit_type":0}})";

Request Post(const std::string& body, const std::string& contentType = "application/json; charset=utf-8") {
  Request r;
  r.method = "POST";
  r.body = body;
  r.headers = {"Content-Type: " + contentType};
  return r;
}

// Record lines follow the order answers completed, so each request is found
// by a header of its own.
struct Sent {
  devtest::Reply reply;
  Json::Value record;
};

Sent Send(const DevServer& server, const std::string& path, Request request = {}) {
  static int counter = 0;
  const std::string id = std::to_string(++counter);
  request.headers.push_back("X-Test-Id: " + id);
  Sent sent{Fetch(server.Url(path), request), Json::Value()};
  cwtest::WaitUntil(5000, [&] {
    for (const Json::Value& r : server.Records()) {
      if (r["headers"]["X-Test-Id"].asString() == id) {
        sent.record = r;
        return true;
      }
    }
    return false;
  });
  return sent;
}

TEST(Collectors, Ga4AnswersByModeAndFlagsMalformedHits) {
  DevServer server;
  ASSERT_TRUE(server.ready());
  Sent good = Send(server, kGoodHit, Post(""));
  EXPECT_EQ(good.reply.status, 204);
  EXPECT_EQ(good.record["fault"].asString(), "");
  EXPECT_EQ(good.record["query"]["ep.cw_label"].asString(), "First Run");

  // A label with '&' and '=' breaks the hit into extra parameters.
  Sent broken = Send(server, std::string(kGoodHit) + "&ep.cw_label=x&y=z&tid=G-2", Post("", "text/plain"));
  EXPECT_EQ(broken.reply.status, 204);
  EXPECT_EQ(broken.record["fault"].asString(), "malformed=content_type;repeated.tid;repeated.ep.cw_label;unknown.y");

  EXPECT_EQ(server.Control(R"({"analytics":{"ga4_mode":"200"}})"), 200);
  Sent ok200 = Send(server, kGoodHit, Post(""));
  EXPECT_EQ(ok200.reply.status, 200);
  EXPECT_EQ(ok200.record["fault"].asString(), "ga4_mode=200");
  EXPECT_EQ(server.Control(R"({"analytics":{"ga4_mode":"400"}})"), 200);
  Sent bad = Send(server, "/g/collect?v=1&cid=xyz", Post("{}"));
  EXPECT_EQ(bad.reply.status, 400);
  const std::string fault = bad.record["fault"].asString();
  for (const char* flag : {"malformed=body;", "missing.tid", "missing.ep.cd8", ";v;", ";cid", "ga4_mode=400"}) {
    EXPECT_NE(fault.find(flag), std::string::npos) << flag << " in " << fault;
  }
  EXPECT_EQ(server.Control(R"({"analytics":{"ga4_mode":"201"}})"), 400);
}

TEST(Collectors, FunnelChecksTheReportObject) {
  DevServer server;
  ASSERT_TRUE(server.ready());
  Sent production = Send(server, "/collect", Post(kGoodFunnel));
  EXPECT_EQ(production.reply.status, 200);
  EXPECT_EQ(production.record["fault"].asString(), "");
  Sent test = Send(server, "/collector", Post(kGoodFunnel));
  EXPECT_EQ(test.reply.status, 200);
  EXPECT_EQ(test.record["path"].asString(), "/collector");

  EXPECT_EQ(Send(server, "/collect", Post("not json")).record["fault"].asString(), "malformed=not_json_object");

  const std::string bad = R"({"version":"1.0","common":{"session_id":"short","pid":"7"},"actions":{},"start":1,"x":0})";
  const std::string fault = Send(server, "/collect", Post(bad)).record["fault"].asString();
  for (const char* flag : {"unknown.x", ";version", ";ts", "common.uid", "common.pid", "common.session_id_form",
                           "actions.event_type", ";start"}) {
    EXPECT_NE(fault.find(flag), std::string::npos) << flag << " in " << fault;
  }
}

TEST(Collectors, IdentityTexts) {
  DevServer server(R"({"user_check":{"query_user":"{\"vip\":0}"}})");
  ASSERT_TRUE(server.ready());
  Sent text = Send(server, "/downloads/service/softwarelog.txt");
  EXPECT_EQ(text.reply.status, 200);
  EXPECT_EQ(text.reply.body, server.Url("") + "\r\n");
  Sent user = Send(server, "/QueryUser?guid=0123ABCD-4567-89EF-A1B2-C3D4E5F60718");
  EXPECT_EQ(user.reply.status, 200);
  EXPECT_EQ(user.reply.body, "{\"vip\":0}");
  Sent bad = Send(server, "/QueryUser?guid=nope");
  EXPECT_EQ(bad.reply.status, 400);
  EXPECT_EQ(bad.record["fault"].asString(), "malformed=guid");
  EXPECT_EQ(server.Control(R"({"user_check":{"softwarelog":"<html>gone</html>"}})"), 200);
  EXPECT_EQ(Send(server, "/downloads/service/softwarelog.txt").reply.body, "<html>gone</html>");
}

TEST(Collectors, ExceptionReportShape) {
  DevServer server;
  ASSERT_TRUE(server.ready());
  const char* form = "application/x-www-form-urlencoded";
  Sent ok = Send(server, "/api/exception/send",
                 Post("pid=521&type=2&exception_code=MD5_Check_Fail_Cfg2&other=https://u/q?a=1&b=2,https://d/x", form));
  EXPECT_EQ(ok.reply.status, 200);
  EXPECT_EQ(ok.record["fault"].asString(), "");
  Sent bad = Send(server, "/api/exception/send", Post("pid=x&type=3&exception_code=Other", form));
  EXPECT_EQ(bad.record["fault"].asString(), "malformed=missing.other;pid;type;exception_code");
}

}  // namespace
