// The process entry: decides between an upload-only run and the interactive
// downloader, and owns start-up and the shutdown order.
#pragma once

#include <string>

int wWinMain(const std::string& commandLine);
