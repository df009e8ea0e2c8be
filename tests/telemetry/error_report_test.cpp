#include "Deployment.h"
#include "ErrorReport.h"
#include "TelemetryTestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace FuntionImpl;

ErrorReportValues Values(int source) {
  ErrorReportValues v;
  v.pid = 521;
  v.configSource = source;
  v.queryUrl = "https://upd.test/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61";
  v.downloadUrl = "https://dl.test/a,b/Quorla_setup.exe?x=1&y=2";
  return v;
}

TEST(ErrorReport, BodiesAreSentUnescaped) {
  const std::string other = "&other=https://upd.test/queryDownloaderV2?LanguageId=1033&SoftWareID=521&SiteID=61,"
                            "https://dl.test/a,b/Quorla_setup.exe?x=1&y=2";
  EXPECT_EQ(BuildErrorReportBody(EnumErrorReport::UrlTooManyRedirects, Values(1)),
            "pid=521&type=2&exception_code=Url_Too_Many_Redirects" + other);
  EXPECT_EQ(BuildErrorReportBody(EnumErrorReport::Md5HashCheckFail, Values(2)),
            "pid=521&type=2&exception_code=MD5_Hash_Check_Fail_Cfg2" + other);
  EXPECT_EQ(BuildErrorReportBody(EnumErrorReport::Md5CheckFail, Values(1)),
            "pid=521&type=2&exception_code=MD5_Check_Fail_Cfg1" + other);
  EXPECT_EQ(BuildErrorReportBody(EnumErrorReport::HashCheckFail, Values(2)),
            "pid=521&type=2&exception_code=Hash_Check_Fail_Cfg2" + other);
}

TEST(ErrorReport, EventCodes) {
  EXPECT_STREQ(ErrorReportEventCode(EnumErrorReport::UrlTooManyRedirects), "DL022");
  EXPECT_STREQ(ErrorReportEventCode(EnumErrorReport::Md5HashCheckFail), "DL015");
  EXPECT_STREQ(ErrorReportEventCode(EnumErrorReport::Md5CheckFail), "DL013");
  EXPECT_STREQ(ErrorReportEventCode(EnumErrorReport::HashCheckFail), "DL014");
}

TEST(ErrorReport, TestEnvPicksTheUpdateServiceHost) {
  ASSERT_TRUE(CDeployment::Instance().LoadFromText(
      R"(<Deployment><Service name="UpdateService" host="upd.test" https_port="8443"/>)"
      R"(<Service name="ProductAlertService" host="alert.test"/></Deployment>)"));
  {
    teletest::ScopedSettings settings("[Settings]\nTestEnv=1\n");
    EXPECT_EQ(ErrorReportUrl(), "https://upd.test:8443/api/exception/send");
  }
  teletest::ScopedSettings settings("[Settings]\nTestEnv=0\n");
  EXPECT_EQ(ErrorReportUrl(), "https://alert.test/api/exception/send");
}

}  // namespace
