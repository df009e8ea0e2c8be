// Closing the main window: the question while the install may still run,
// and, as it goes, the close code of the page it was on, the log upload and
// the last events.
#include "ui/InstallUIMainWnd.h"

#include "DownLoadImpl.h"
#include "SingleUserLog.h"
#include "platform/log.h"
#include "platform/paths.h"

namespace ui {
namespace {

struct CloseCode {
  const char* code;
  const char* step;
};

}  // namespace

void InstallUIMainWnd::onClose() {
  if (m_phase == 1) {
    m_host->hide();
    closeMain();
    return;
  }
  if (showMessageBox(static_cast<EnumMsgType>(m_phase)) != MessageBoxWnd::kYes) return;
  closeMain();
}

// Every way the window goes ends here: the close code, then the end of the loop.
void InstallUIMainWnd::closeMain() {
  onDestroy();
  m_host->close(0);
}

void InstallUIMainWnd::onDestroy() {
  if (m_destroyed) return;
  m_destroyed = true;
  // The flow still running stops: the download ends, nothing is installed,
  // and a wait for the bar's end does not outlast the window.
  m_ending = true;
  CDownLoadImpl::SetCancelled(true);
  m_progressFinish100.Set();
  const int main = selectedItem("main_tablayout");
  const int page = selectedItem("page_layout");
  const int progress = m_progress.load();
  const cwui::Control* retry = find("text_fail_retry");
  const bool failed = retry != nullptr && retry->visible;
  CloseCode close{"", ""};
  if (main == 0 && page == 0) {
    close = {"close01", "BeforeDownload"};
  } else if (main == 1) {
    close = progress < 85 ? CloseCode{"close02", "Downloading"}
            : progress <= 90 ? CloseCode{"close04", "Md5Check"}
                             : CloseCode{"close03", "Installing"};
  } else if (main == 0 && page == 1) {
    close = failed ? CloseCode{"close05", "Installing"}
            : m_launched ? CloseCode{"close07", "Starting"}
                         : CloseCode{"close06", "Installing"};
  }
  if (m_env.userLog->GetDownloaderConfig() == 2 && m_env.startLogUpload) {
    const cwplat::PathParts log = cwplat::SplitPath(m_env.userLog->GetLogFilePath());
    m_env.startLogUpload(std::string(" -") + close.code + " " + log.name + log.ext);
  }
  pageEvent("CrashRate", "Close", close.code, true);
  funnelEvent("Keypoint", close.step, 0, "CorePublicModule", "Close", true);
}

}  // namespace ui
