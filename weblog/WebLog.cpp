#include "WebLog.h"

#include "platform/paths.h"
#include "platform/read_bounded.h"
#include "platform/tick.h"

#include <memory>

namespace {

constexpr std::size_t kMaxProxyLine = 255;
// Only the first line of proxy.txt counts; a longer file is not read further.
constexpr std::size_t kMaxProxyFileBytes = 4096;

// The program's own folder: where a double-clicked program's files belong.
// The current folder of a program started from a file manager or a launcher
// is usually the home folder, which must not collect our log and switches.
std::string ProgramFolder() {
  std::string folder = cwplat::SplitPath(cwplat::GetModuleFileName()).folder;
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

std::string LogFilePath(const std::string& workingFolder) {
  const std::string folder = workingFolder + "/Logs";
  // Without the folder the log simply stays empty; reports go on.
  if (workingFolder.empty() || !cwplat::CreateDirectories(folder)) return {};
  return folder + "/SoftwareLog.log";
}

bool IsProxyText(const std::string& s) {
  if (s.empty() || s.size() > kMaxProxyLine) return false;
  for (const char c : s) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7f) return false;
  }
  return true;
}

}  // namespace

WebLog::WebLog(WebLogConfig config)
    : m_config(std::move(config)),
      m_startTick(cwplat::GetTickCount64()),
      m_workingFolder(m_config.workingFolder.empty() ? ProgramFolder() : m_config.workingFolder),
      m_log(LogFilePath(m_workingFolder)),
      m_userCheckBase(m_config.userCheckBase),
      m_client(m_config.applyTls) {}

bool WebLog::TestSwitchOn() const {
  return !m_workingFolder.empty() && cwplat::ReadFileBounded(m_workingFolder + "/test", 0).has_value();
}

std::string WebLog::ReadProxy(const char* operation) const {
  if (m_workingFolder.empty()) return {};
  const auto text = cwplat::ReadFileBounded(m_workingFolder + "/proxy.txt", kMaxProxyFileBytes);
  if (!text) return {};
  std::string line = text->substr(0, text->find('\n'));
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
  if (line.size() > kMaxProxyLine) line.resize(kMaxProxyLine);
  if (!IsProxyText(line)) {
    if (!line.empty()) m_log.Write(operation, "proxy.txt ignored: not a proxy address");
    return {};
  }
  m_log.Write(operation, "set proxy:" + line);
  return line;
}

MachineFacts WebLog::Facts() const { return m_config.machineFacts ? m_config.machineFacts() : ReadMachineFacts(); }

WebLog::PostResult WebLog::Post(const char* operation, const std::string& url, const std::string& body) {
  // A local list: no static may be touched by a thread that outlives static destruction.
  const std::vector<std::string> headers = {"Content-Type:application/json; charset=utf-8"};
  const std::string proxy = ReadProxy(operation);
  std::unique_lock<std::mutex> lock(m_clientMutex, std::try_to_lock);
  std::unique_ptr<CurlHttpClient> own;
  if (!lock.owns_lock()) own = std::make_unique<CurlHttpClient>(m_config.applyTls);
  CurlHttpClient& client = own ? *own : m_client;
  client.SetProxy(proxy);
  PostResult result;
  result.code = client.Post(url, body, headers);
  result.status = client.GetResponseCode();
  result.response = client.GetResponseContent();
  return result;
}
