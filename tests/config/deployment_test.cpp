#include "Deployment.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(Deployment, ServicesListsAndOverride) {
  CDeployment& d = CDeployment::Instance();
  ASSERT_TRUE(d.LoadFromText(R"(<Deployment>
      <Service name="UpdateService" host="upd.example.com" https_port="8443"/>
      <Service name="Evil" host="a.com/x?y=" http_port="80"/>
      <Service name="BadPort" host="ok.com" http_port="99999"/>
      <HostList name="Cdn"><Host>c1.example.com</Host><Host>bad host</Host><Host>c2.example.com</Host></HostList>
    </Deployment>)"));
  EXPECT_EQ(d.Host("UpdateService"), "upd.example.com");
  EXPECT_EQ(d.BaseUrl("UpdateService", true), "https://upd.example.com:8443");
  EXPECT_EQ(d.BaseUrl("UpdateService", false), "http://upd.example.com");
  EXPECT_EQ(d.Host("Evil"), "");
  EXPECT_EQ(d.Host("BadPort"), "");
  EXPECT_EQ(d.BaseUrl("Unknown", true), "");
  EXPECT_EQ(d.HostList("Cdn"), (std::vector<std::string>{"c1.example.com", "c2.example.com"}));

  // A malformed document changes nothing.
  EXPECT_FALSE(d.LoadFromText("<Deployment><Service"));
  EXPECT_EQ(d.Host("UpdateService"), "upd.example.com");

  // The environment override replaces the archive's file.
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "d.xml", R"(<D><Service name="UpdateService" host="10.0.0.1" http_port="81"/></D>)");
  cwtest::ScopedEnv env("CW_DEPLOYMENT_FILE", dir / "d.xml");
  ASSERT_TRUE(d.Load());
  EXPECT_EQ(d.BaseUrl("UpdateService", false), "http://10.0.0.1:81");
}

TEST(Deployment, TrustAnchorsAreKeptApartByPurpose) {
  CDeployment& d = CDeployment::Instance();
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "tls.pem", "TLS-PEM");
  ASSERT_TRUE(d.LoadFromText("<D><TlsTrustAnchor file=\"" + (dir / "tls.pem") +
                             "\"/><CodeSigningTrustAnchor>SIGN-PEM</CodeSigningTrustAnchor>"
                             "<TrustAnchor>BOTH-PEM</TrustAnchor><TlsTrustAnchor file=\"relative.pem\"/></D>"));
  EXPECT_EQ(d.TrustAnchorsPem(TrustPurpose::Tls), std::vector<std::string>{"TLS-PEM"});
  EXPECT_EQ(d.TrustAnchorsPem(TrustPurpose::CodeSigning), std::vector<std::string>{"SIGN-PEM"});
}

}  // namespace
