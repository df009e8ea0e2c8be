// Leaving the installer: Start on the finished page (the product, directly
// or behind the launch window, or the package shown in the file manager when
// it is not a program), and the failed page's link to the full package.
#include "ui/InstallUIMainWnd.h"

#include "CdnUrl.h"
#include "InstallFiles.h"
#include "NetFrameCheck.h"
#include "ProductLaunch.h"
#include "StartTargetMainExe.h"
#include "platform/log.h"
#include "platform/paths.h"
#include "platform/shell_open.h"
#include "ui/CAlientWnd.h"
#include "ui/LanguageFile.h"

namespace ui {
namespace {

// What may stand in a URL's query as it is; everything else is escaped, so
// a renamed program ("setup (1)_x&y.exe") cannot break the link.
std::string QueryEscaped(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' ||
                       c == '.' || c == '_' || c == '~';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

}  // namespace

void InstallUIMainWnd::onStart() {
  const std::string extra = m_configure->getExtraDownloadUrl();
  if (!EndsWithExe(extra) && extra.size() > 3) return showPackage();
  const auto needsNewer = m_env.needsNewerNetFramework ? m_env.needsNewerNetFramework : &FuntionImpl::WillShowNetFrameCheck;
  if (needsNewer(installDirectory())) m_gifDuration = 0;
  pageEvent("Download", "7.ProgramLaunch", "", m_gifDuration == 0);
  funnelEvent("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncStart");
  funnelEvent("CoreFuncEvent", "Starting", 1, "Download", "ProgramLaunch");
  launch(m_gifDuration);
}

void InstallUIMainWnd::launch(int gifDuration) {
  m_launched = true;
  const std::string target = "\"" + ProductExecutablePath(*m_configure, installDirectory()) + "\"";
  pageEvent("Download", "9.StartWindow", std::to_string(gifDuration), gifDuration == 0);
  funnelEvent("CoreFuncEvent", "Starting", 2, "Download", "StartWindow");
  funnelEvent("CoreFuncEvent", "Starting", 0, "Download", "CoreFuncEnd");
  const auto start = m_env.startProduct ? m_env.startProduct : &FuntionImpl::StartTargetMainExe;
  const auto plainMessage = m_env.plainMessage ? m_env.plainMessage : [](const std::string& text) {
    CWLOG << " No message box to show: " << text;
  };
  if (gifDuration != 0) {
    m_host->hide();
    CAlientWnd::Environment env;
    env.archive = m_env.archive;
    env.makeHost = m_env.makeHost;
    env.userLog = m_env.userLog;
    env.start = start;
    env.plainMessage = plainMessage;
    CAlientWnd(m_adminFlag, target, m_configure->getSoftwareVersion(), m_configure->getSoftwareName(), gifDuration,
               m_language.load(), std::move(env))
        .showModal(m_loop);
  } else if (start(target, m_adminFlag) == -1) {
    pageEvent("Other", "FlowError", "DL019", false);
    const std::string hint =
        LoadLanguageText(m_env.archive, "message_page", "ClickShortcutToLaunchText", m_language.load());
    // Off the loop's thread the window is already going: a box handed to a
    // loop that has ended would never show, and its caller would wait forever.
    if (std::this_thread::get_id() == m_loopThread) {
      plainMessage(hint);
    } else {
      CWLOG << " The product did not start; the window is closing, so no box: " << hint;
    }
  }
  closeWindow();
}

void InstallUIMainWnd::showPackage() {
  // Where the install flow put the package: a program in the download
  // folder, anything else in the install folder.
  const InstallFiles files = MakeInstallFiles(m_labels.text("Extra_download_url"), m_configure->getExtraDownloadUrl(),
                                              m_configure->getSoftwareVersion(), m_downloadFolder, installDirectory());
  const auto show = m_env.showInFileManager ? m_env.showInFileManager : &cwplat::ShowInFileManager;
  const int error = show(files.installerPath);
  CWLOG << " Show package: " << files.installerPath << ", " << error;
}

std::string InstallUIMainWnd::AdviceUrlWithTag(const std::string& url, const std::string& moduleFileName) {
  const std::string name = moduleFileName.substr(moduleFileName.find_last_of("/\\") + 1);
  const std::size_t underscore = name.rfind('_');
  if (underscore == std::string::npos) return url;
  const std::size_t dot = name.rfind('.');
  const std::size_t end = dot != std::string::npos && dot > underscore ? dot : name.size();
  const std::string tag = name.substr(underscore + 1, end - underscore - 1);
  // A URL that has a query already gets the tag as more of it.
  const char joint = url.find('?') == std::string::npos ? '?' : '&';
  return url + joint + "rnclid=" + QueryEscaped(tag) + "&package=" + QueryEscaped(name);
}

void InstallUIMainWnd::onAdviceLink() {
  pageEvent("Download", "8-2.ClickInstallLink", firstOrRetry());
  std::string url = adviceUrl();
  if (url.empty()) {
    const int type = m_configure->getDownloaderType();
    for (const std::string& path : m_configure->getRemotePaths()) {
      if (((type == 1 || type == 3) && !isCdnUrl(path)) || (type == 2 && isCdnUrl(path))) {
        url = path;
        break;
      }
    }
  }
  if (url.empty()) return;
  url = AdviceUrlWithTag(url, m_env.moduleFileName.empty() ? cwplat::GetModuleFileName() : m_env.moduleFileName);
  CWLOG << " Open Advice Url: " << url;
  const auto open = m_env.openUrl ? m_env.openUrl : &cwplat::ShellOpen;
  open(url);
}

}  // namespace ui
