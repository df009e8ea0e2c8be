// Upload of logs and crash dumps: the log (as a copy), dumps and one extra file
// are packed into a ZIP archive in the log folder and posted as a multipart
// form to the log-upload service. A failed upload keeps the archive and the
// copy on disk; a successful one deletes both.
#pragma once

#include "platform/paths.h"

#include <string>

namespace FuntionImpl {

inline constexpr const char* kLogUploadProductId = "CWDownload2900";
inline constexpr const char* kLogUploadPath = "/v1/productLogUpload";

// Packs and uploads. logFileName is a file of the program's log folder, named
// without a folder; the entries are the log (from its "_copy.log" copy), with
// includeDumps the dump beside the log or else every "*.dmp" of the log
// folder, and the extra file when it exists. 0 when the archive was written
// (whether or not the upload succeeded), -1 when there is no log folder, the
// name is not a plain file name, or the archive could not be written.
int zipLogsAndDumps(const std::string& logFileName, const std::string& catalogue, const std::string& extraFilePath,
                    bool includeDumps);

// The remote name of an archive for this log: the log name's part before its
// last '_', '_', the time stamp and ".zip"; "" when the name has no '_'.
std::string LogArchiveRemoteName(const std::string& logFileName, const cwplat::LocalTime& time);
// The uploader's own name for an archive without one: "NoName_", the time
// stamp and the archive file's extension (".tmp" when it has none).
std::string NoNameRemoteName(const std::string& archivePath, const cwplat::LocalTime& time);

// The upload is bounded: it runs in a hidden process that nobody would end.
struct LogUploadLimits {
  long connectTimeoutSeconds = 30;
  long totalTimeoutSeconds = 900;
  long lowSpeedBytesPerSecond = 256;  // slower than this ...
  long lowSpeedSeconds = 60;          // ... for this long ends the transfer
};
// Tests shorten the limits; {} restores the defaults.
void SetLogUploadLimitsForTesting(const LogUploadLimits& limits);

// The upload-only run of "-dmp <name>" and "-close<NN> <log name>" (the
// start-up seam): returns the process exit code, 0 when the archive was written.
//
// A dump is named by file name and extension only. It is looked for in this
// run's log folder, which is the crashed run's too (both derive it from the
// same start-up URL): "<log>.dmp" beside an existing "<log>" is uploaded with
// that log; any other dump there goes with this run's own log and the folder's
// other dumps. A "*.dmp" not there is looked for in the temporary folder (a
// crash before the log existed) and goes as the extra file with this run's
// log. The handler's lines recorded in the dump are written to this run's log.
// Names with a folder part are refused. Start-up switches the crash upload
// off before it calls this (a broken dump must not start copy after copy).
int RunUploadOnly(const std::string& fileName, const std::string& catalogue, bool includeDumps);

// Where an upload run finds what it packs (RunUploadOnly's rules).
struct UploadRunPlan {
  bool valid = false;        // false: the name was refused
  std::string logFileName;   // the log to pack, in the log folder
  std::string extraFile;     // full path, or ""
  std::string dumpPath;      // the named dump, "" when not found
};
UploadRunPlan PlanUploadRun(const std::string& fileName, bool includeDumps, const std::string& logFolder,
                            const std::string& ownLogFileName, const std::string& tempFolder);

}  // namespace FuntionImpl

// Posts the archive as the form fields file (named remoteName, or NoName_...),
// product_id, version and catalogue (only when not empty). 0 success, -1
// archive path of 4 characters or fewer, -2 no HTTP handle, -3 transfer failed
// or status not 200.
int uploadLogArchive(const std::string& archivePath, const std::string& remoteName, const std::string& productId,
                     const std::string& version, const std::string& catalogue);

namespace FuntionImpl {
// uploadLogArchive to this endpoint instead of the deployment's (tests).
int UploadLogArchiveTo(const std::string& url, const std::string& archivePath, const std::string& remoteName,
                       const std::string& productId, const std::string& version, const std::string& catalogue);
}  // namespace FuntionImpl
