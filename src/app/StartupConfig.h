// The values start-up reads from the embedded configure.xml before anything
// else exists: ids, names and the start-up download URL.
#pragma once

#include <optional>
#include <string>

struct StartupConfig {
  std::string downloaderIdText;
  int downloaderId = 0;
  int siteId = 0;
  int mainPid = 0;
  std::string softwareName;
  std::string softwareVersion;
  std::string startupUrl;       // first Download_url / Extra_download_url not on a CDN host
  std::string support32System;
};

// Walks the first child of the root: for each element the first attribute's
// value is the key and the second attribute's value is the value. A missing or
// malformed document leaves the defaults (empty texts, zero numbers).
StartupConfig ReadStartupConfig(const std::optional<std::string>& configureXml);

// The installer base name of a start-up URL: the text between its last '/' and
// the first '.' after it ("http://h/a/name.exe" gives "name"). Nothing when the
// URL has no '/' or no '.' after the last one; then no log file is set up.
std::optional<std::string> InstallerBaseName(const std::string& url);

// Decimal text to int as the program has always read it: leading blanks and a
// sign, digits up to the first non-digit, 0 for no digits, clamped to int.
int ParseDecimalInt(const std::string& text);
