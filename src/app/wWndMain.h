// The process entry: decides between an upload-only run and the interactive
// downloader, and owns start-up and the shutdown order.
#pragma once

#include "UnattendedOptions.h"

#include <optional>
#include <string>

// `unattended`: the unattended run (or its help) was asked for.
int wWinMain(const std::string& commandLine, const std::optional<UnattendedOptions>& unattended = std::nullopt);

// main's body: keeps the command line and hands over to wWinMain.
int ProcessMain(int argc, char** argv);
