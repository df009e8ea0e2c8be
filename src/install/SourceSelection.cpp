#include "SourceSelection.h"

#include "CdnUrl.h"
#include "platform/file_io.h"
#include "platform/log.h"
#include "platform/registry.h"

#include <filesystem>
#include <system_error>

namespace FuntionImpl {
namespace {

const char kUninstallKey[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char kCounterValue[] = "RequestTooMuchTimes";

// The counter is stored as one character whose code is '0' + n. Keeping it one
// printable ASCII character bounds n; past that the counter stays put.
constexpr int kCounterMax = '~' - '0';

int DecodeCounter(const std::string& text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '~') return text[0] - '0';
  // Plain decimal text (as another writer might leave it), bounded.
  if (text.empty() || text.size() > 9) return 0;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

// DeleteFileW's answer: true when removed, else the Windows error number.
bool DeleteOneFile(const std::string& path, int& error) {
  std::error_code ec;
  const auto status = std::filesystem::symlink_status(path, ec);
  if (ec || !std::filesystem::exists(status)) {
    error = cwplat::kErrorFileNotFound;
    return false;
  }
  if (std::filesystem::is_directory(status)) {
    error = cwplat::kErrorAccessDenied;
    return false;
  }
  if (std::filesystem::remove(path, ec)) {
    error = 0;
    return true;
  }
  if (ec == std::errc::no_such_file_or_directory) {
    error = cwplat::kErrorFileNotFound;
  } else if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted ||
             ec == std::errc::read_only_file_system) {
    error = cwplat::kErrorAccessDenied;
  } else if (ec == std::errc::device_or_resource_busy || ec == std::errc::text_file_busy) {
    error = cwplat::kErrorSharingViolation;
  } else {
    error = cwplat::kErrorGenFailure;
  }
  return false;
}

}  // namespace

int ReadRequestTooMuchTimes(const std::string& softwareName) {
  std::string text;
  if (!cwplat::RegGetString(cwplat::RegHive::LocalMachine, kUninstallKey + softwareName, kCounterValue, text)) return 0;
  return DecodeCounter(text);
}

bool IsCdnForbidden(const std::string& softwareName) { return ReadRequestTooMuchTimes(softwareName) > 3; }

bool IncrementRequestTooMuchTimes(const std::string& softwareName) {
  int n = ReadRequestTooMuchTimes(softwareName) + 1;
  if (n > kCounterMax) n = kCounterMax;
  const std::string text(1, static_cast<char>('0' + n));
  return cwplat::RegSetString(cwplat::RegHive::LocalMachine, kUninstallKey + softwareName, kCounterValue, text);
}

std::string checkRemotePath(std::vector<std::string> paths, int mode, const std::string& softwareName) {
  if (mode != 1) {
    CWLOG << " checkRemotePath mode " << mode << " is not built";
    return {};
  }
  CWLOG << " isForbidCDN: " << (IsCdnForbidden(softwareName) ? 1 : 0);
  for (const std::string& url : paths) {
    if (!isCdnUrl(url)) {
      CWLOG << " UrlUsed: " << url;
      return url;
    }
  }
  CWLOG << " checkRemotePath fail: " << -1;
  return {};
}

void ClearAPPData(const std::string& installerPath) {
  int error = 0;
  const bool removed = DeleteOneFile(installerPath, error);
  int ignored = 0;
  DeleteOneFile(installerPath + ".xml", ignored);
  DeleteOneFile(installerPath + ".db", ignored);
  CWLOG << " Clear cache: " << (removed ? 1 : 0) << ", " << error;
}

}  // namespace FuntionImpl
