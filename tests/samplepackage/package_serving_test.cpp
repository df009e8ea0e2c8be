// The devserver configuration made for the package answers the update query
// with the package's real location, MD5 and size, and serves it.
#include "package_support.h"

#include "support/DevServerHarness.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

std::string Element(const std::string& xml, const std::string& name) {
  const std::string open = "<" + name + ">";
  const auto begin = xml.find(open);
  if (begin == std::string::npos) return "<missing>";
  const auto end = xml.find("</" + name + ">", begin);
  if (end == std::string::npos) return "<unclosed>";
  return xml.substr(begin + open.size(), end - begin - open.size());
}

TEST(SamplePackageServing, UpdateAnswerNamesThePackageAndItDownloadsIntact) {
  devtest::DevServer server(cwtest::ReadFile(samplepkg::OutputPath("devserver.json")));
  ASSERT_TRUE(server.ready()) << server.output();
  std::filesystem::copy_file(samplepkg::PackagePath(), server.root() + "/QuorlaMurmelon_setup.exe");
  const std::string package = cwtest::ReadFile(samplepkg::PackagePath());

  const devtest::Reply answer = devtest::Fetch(server.Url("/queryDownloaderV2?LanguageId=1033&SoftWareID=0&SiteID=61"));
  ASSERT_EQ(answer.status, 200) << answer.body;
  const std::string url = server.Url("/files/QuorlaMurmelon_setup.exe");
  EXPECT_EQ(Element(answer.body, "Download_url"), url);
  EXPECT_EQ(Element(answer.body, "Extra_download_url"), url);
  EXPECT_EQ(Element(answer.body, "Filesize"), std::to_string(package.size()));
  EXPECT_EQ(Element(answer.body, "Md5"), samplepkg::Md5Hex(package));
  EXPECT_EQ(Element(answer.body, "Software_name"), "Quorla Murmelon");
  EXPECT_EQ(Element(answer.body, "Process_name"), "Murmelon.exe");
  EXPECT_EQ(Element(answer.body, "InstallTimeout"), "120");
  EXPECT_EQ(Element(answer.body, "Downloader_id"), "521");

  const devtest::Reply download = devtest::Fetch(url);
  ASSERT_EQ(download.status, 200);
  EXPECT_TRUE(download.body == package);
}

}  // namespace
