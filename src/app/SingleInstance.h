// The single-instance rule of start-up: one copy per downloader id.
#pragma once

struct StartupConfig;

// One copy per downloader id: a second copy asks the first to raise its
// window and ends (false), unless auto-run lets it go on.
bool EnsureSingleInstance(const StartupConfig& config, bool autoRun);
