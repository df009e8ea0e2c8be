// What the install flow (the pre-install checks, the install thread and the
// silent installer run) reads and writes on the main window. The graphical
// window implements it; the unattended run has a console host; tests record.
//
// Threads other than the window's own may call: postMessage, the flag setters,
// downloadedBytes, progressValue, the "ProgressFinish100" event, and the
// getters. Implementations keep those calls cheap and thread-safe.
#pragma once

#include "EnumLanguage.h"
#include "EnumMsgType.h"

#include <cstdint>
#include <string>

class CConfigure;
class CEmbeddedLabels;

namespace cwplat {
class CEvent;
}

// Messages posted by the install flow to the main window (values are fixed).
enum EnumInstallMessage : unsigned {
  WM_CLEARAPPDATA = 2943,
  WM_DOWNLOADFAIL = 2944,     // wParam: download result code, 14 when no URL is known
  WM_DOWNLOADSUCCEED = 2945,  // a package that is not a program was downloaded
  WM_VERIFYSTART = 2946,
  WM_INSTALLSTART = 2947,
  WM_INSTALLTIMEOUT = 2948,
  WM_INSTALLFINISH = 2949,
  WM_SIGNFAIL = 2950,
  WM_BANNERREADY = 2952,
};

class IInstallWindow {
 public:
  virtual ~IInstallWindow() = default;

  // --- shared state ---------------------------------------------------------
  virtual CConfigure& configure() = 0;
  // Labels of the embedded configuration (Download_url, Extra_download_url,
  // product_url_<language>, ...).
  virtual const CEmbeddedLabels& embeddedLabels() const = 0;
  // Downloader id read from the embedded configuration.
  virtual int embeddedDownloaderId() const = 0;
  // The embedded NeedStart_flag: 1 presses Start by itself after success.
  virtual int needStartFlag() const = 0;
  // True when this run follows a "try again"; events say "Retry", else "First".
  virtual bool isRetry() const = 0;
  // The selected UI language (the start-up language when none was selected).
  virtual EnumLanguage currentLanguage() const = 0;

  // --- install folder -------------------------------------------------------
  // Text of the install-path box, and replacing it (moved to another drive).
  virtual std::string installPathText() const = 0;
  virtual void setInstallPathText(const std::string& path) = 0;
  // The folder the product is installed into (set by the checks, used by the
  // silent run and the Start button).
  virtual std::string installDirectory() const = 0;
  virtual void setInstallDirectory(const std::string& folder) = 0;

  // --- written by the install thread ----------------------------------------
  virtual void setInstallStarted() = 0;  // the pre-fetch thread gives up at it
  virtual void setAdviceUrl(const std::string& url) = 0;  // the URL in use
  virtual void setStopCreep(int value) = 0;
  virtual void setInstallDone(bool done) = 0;
  // Bytes downloaded so far, kept by the progress display.
  virtual std::int64_t downloadedBytes() const = 0;
  // The progress bar's value, 0 to 100.
  virtual int progressValue() const = 0;
  // Manual-reset event signalled when the progress display reaches 100.
  virtual cwplat::CEvent& progressFinish100() = 0;
  // Posts a message to the window; never blocks.
  virtual void postMessage(unsigned message, std::uintptr_t wParam) = 0;

  // --- window actions the flow asks for -------------------------------------
  // Modal message box; returns its result (1 = the affirmative button).
  virtual int showMessageBox(EnumMsgType type) = 0;
  // The checks passed: show the running page and enable the close button.
  virtual void showRunningPage() = 0;
  // Hands the chosen UI language to the installed product; true when written.
  virtual bool writeLanguageBack() = 0;
  // Presses Start on the finished page (starts the installed product).
  virtual void clickStartApp() = 0;
  // Closes the main window (the auto-run restart).
  virtual void closeWindow() = 0;
  // The user closed the window while the flow ran: it stops at its next
  // step, installing nothing.
  virtual bool cancelled() const { return false; }
};
