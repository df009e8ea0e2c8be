// Getting one file onto disk for the install flow: one start of a segmented
// download, watched from the calling thread for progress, stalls, CDN failures
// and the network, and the MD5 check of the finished file. A failed start
// leaves the partial file and its task file for the next start to resume.
#pragma once

#include "EnumErrorCode.h"

#include <cstdint>
#include <functional>
#include <string>

class CDownLoadImpl {
 public:
  static constexpr std::int64_t kMainDownloadFloor = 1048576;

  // Runs one start; blocks until it ends. cdnReport receives the start's CDN
  // report (not for 15). mainDownload: per-task logging, the progress display
  // and the 1 MiB floor.
  static EnumErrorCode SuperDownloadFile(const std::string& remoteUrl, const std::string& localPath,
                                         std::string& cdnReport, bool mainDownload);

  // 1 when the file's MD5 (lower-case hex) equals md5 or altMd5 exactly, else 0.
  // Writes the completion marker (path + ".db": note, "###", digest) on the way.
  static int checkMD5(const std::string& path, const std::string& md5, const std::string& altMd5,
                      const std::string& note);
  // Lower-case hex MD5 of a file; that of no data when it cannot be read.
  static std::string FileMd5(const std::string& path);
  // Lower-case hex MD5 of bytes in memory (signed request texts).
  static std::string TextMd5(const std::string& text);

  // Ends every running start at its next watch pass, and every later start
  // at once (the user closed the window); false lets starts run again.
  static void SetCancelled(bool cancelled);
  static bool Cancelled();

  // The main window's progress display (downloaded bytes, total bytes); set
  // while a main window exists, empty otherwise.
  static void SetProgressDisplay(std::function<void(std::int64_t, std::int64_t)> display);

  // The outcome of a start whose driver finished every range, from the bytes
  // the driver counted and the file on disk: 1, 12 or 15.
  static EnumErrorCode CompletionResult(std::int64_t bytesOnDisk, std::int64_t contentLength,
                                        const std::string& localPath, bool mainDownload);
};
