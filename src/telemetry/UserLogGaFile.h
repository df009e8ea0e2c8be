// galog.json in the run's log folder: the local date of the last day the log
// started (is_new is 1 on the first start of a day) and the tools version last
// recorded. The decisions work on the file's text so they can be tested and
// fuzzed without files; the file functions read, decide and write.
#pragma once

#include "platform/paths.h"

#include <optional>
#include <string>

// Anything larger is not ours and is treated like a damaged file.
inline constexpr std::size_t kMaxGaLogBytes = 64 * 1024;

struct GaLogDecision {
  int isNew = 1;
  std::optional<std::string> write;  // the new file text, when the file must change
};

// `text`: the file's content, nothing when there is no file.
GaLogDecision DecideGaLogDate(const std::optional<std::string>& text, const cwplat::LocalTime& today);
// The new text when `version` is not yet recorded.
std::optional<std::string> DecideGaLogVersion(const std::optional<std::string>& text, const std::string& version);

// is_new for today; rewrites the file when the day changed.
int UpdateGaLogDate(const std::string& path, const cwplat::LocalTime& today);
void RecordGaLogVersion(const std::string& path, const std::string& version);
