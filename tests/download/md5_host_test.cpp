// The MD5 check with its completion marker, the completion rules on file
// size, and the classification of download hosts.
#include "CdnUrl.h"
#include "DownLoadImpl.h"
#include "DownloadHost.h"
#include "EngineTestSupport.h"
#include "platform/file_io.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

namespace {

const std::string kAbcMd5 = "900150983cd24fb0d6963f7d28e17f72";
const std::string kEmptyMd5 = "d41d8cd98f00b204e9800998ecf8427e";

TEST(CheckMd5, MatchesEitherValueExactlyAndWritesTheMarker) {
  cwtest::TempDir dir;
  const std::string file = dir / "pkg.exe";
  cwtest::WriteFile(file, "abc");
  EXPECT_EQ(CDownLoadImpl::checkMD5(file, kAbcMd5, "", "1.2.3"), 1);
  EXPECT_EQ(cwtest::ReadFile(file + ".db"), "1.2.3###" + kAbcMd5);
  EXPECT_EQ(CDownLoadImpl::checkMD5(file, "0000", kAbcMd5, "9"), 1);
  EXPECT_EQ(cwtest::ReadFile(file + ".db"), "9###" + kAbcMd5);  // replaced, not appended
  std::string upper = kAbcMd5;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(CDownLoadImpl::checkMD5(file, upper, upper, "1"), 0);
}

TEST(CheckMd5, UnreadableFileHasTheDigestOfNoData) {
  cwtest::TempDir dir;
  EXPECT_EQ(CDownLoadImpl::FileMd5(dir / "missing"), kEmptyMd5);
  EXPECT_EQ(CDownLoadImpl::checkMD5(dir / "missing", kEmptyMd5, "", "v"), 1);
  // A marker that cannot be created is skipped.
  EXPECT_EQ(CDownLoadImpl::checkMD5(dir / "no/such/file", kEmptyMd5, "", "v"), 1);
}

TEST(CheckMd5, LargeFileDigestMatchesOneShotDigest) {
  cwtest::TempDir dir;
  const std::string data = enginetest::TestBytes(3 * 1024 * 1024 + 17, 9);
  cwtest::WriteFile(dir / "big", data);
  EXPECT_EQ(CDownLoadImpl::FileMd5(dir / "big"), enginetest::Md5Hex(data));
}

TEST(Completion, SizeRulesUseTheFull64BitSize) {
  cwtest::TempDir dir;
  const std::string big = dir / "big.bin";
  cwplat::CFile file;
  ASSERT_EQ(file.Open(big, cwplat::CFile::Mode::CreateReadWrite), 0);
  const std::int64_t size = (std::int64_t{4} << 30) + 500000;  // low 32 bits: 500 000
  ASSERT_TRUE(file.Truncate(size));  // sparse: no disk space used
  file.Close();
  EXPECT_EQ(cwplat::GetFileSize64(big).value_or(0), size);
  EXPECT_EQ(CDownLoadImpl::CompletionResult(size, size, big, true), DOWNLOAD_SUCCESS);

  const std::string small = dir / "small.bin";
  cwtest::WriteFile(small, std::string(500000, 'x'));
  EXPECT_EQ(CDownLoadImpl::CompletionResult(500000, 500000, small, true), DOWNLOAD_FILE_TOO_SMALL);
  EXPECT_EQ(CDownLoadImpl::CompletionResult(500000, 500000, small, false), DOWNLOAD_SUCCESS);
  EXPECT_EQ(CDownLoadImpl::CompletionResult(499999, 500000, small, false), DOWNLOAD_LENGTH_ERROR);
}

TEST(DownloadHost, ClassifiesByHostName) {
  enginetest::LoadTestDeployment();
  EXPECT_EQ(classifyDownloadHost("https://dl.quorla.test/pkg.exe"), 10);
  EXPECT_EQ(classifyDownloadHost("https://CDN.quorla.test/pkg.exe"), 10);
  EXPECT_EQ(classifyDownloadHost("https://cdn-a.quorla.test/pkg.exe"), 12);
  EXPECT_EQ(classifyDownloadHost("https://CDN-C.Quorla.test/x/pkg.exe"), 12);
  EXPECT_EQ(classifyDownloadHost("https://mirror.aliyun.test/pkg.exe"), 12);  // "ali" anywhere
  EXPECT_EQ(classifyDownloadHost("https://cdn-aws.quorla.test/pkg.exe"), 13);
  EXPECT_EQ(classifyDownloadHost("https://www.example.test/pkg.exe"), 11);
  EXPECT_EQ(classifyDownloadHost("http://127.0.0.1:18080/files/pkg.exe"), 11);
  // No '.' or no '/' after it: no host, which counts as the maker's own.
  EXPECT_EQ(classifyDownloadHost("http://localhost/pkg"), 10);
  EXPECT_EQ(classifyDownloadHost("http://www.example.test"), 10);
  EXPECT_EQ(classifyDownloadHost(""), 10);
}

TEST(DownloadHost, CdnUrls) {
  EXPECT_TRUE(isCdnUrl("https://cdn.quorla.test/a"));
  EXPECT_TRUE(isCdnUrl("http://dl.quorla.test/a"));
  EXPECT_FALSE(isCdnUrl("https://cdn-a.quorla.test/a"));
  EXPECT_FALSE(isCdnUrl("https://CDN.quorla.test/a"));
}

}  // namespace
