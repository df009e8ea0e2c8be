// Result codes of the download engine. Values are stored in logs, events and
// window messages, so they never change.
#pragma once

enum EnumErrorCode {
  DOWNLOAD_SUCCESS = 1,              // tasks ready, or file complete
  DOWNLOAD_GET_SIZE_FAILED = 6,      // no size in 10 probes
  DOWNLOAD_OPEN_FILE_FAILED = 7,     // output file cannot be opened
  DOWNLOAD_NO_THREADS = 8,           // no worker could be started
  DOWNLOAD_NETWORK_DEAD = 9,         // network not alive
  DOWNLOAD_NO_SPEED = 10,            // no progress for 60 s
  DOWNLOAD_CDN_FAILED = 11,          // too many failed requests on a CDN
  DOWNLOAD_LENGTH_ERROR = 12,        // fewer bytes than the remote size
  DOWNLOAD_TOO_MANY_REDIRECTS = 13,  // the size probe ran into redirect loops
  DOWNLOAD_FILE_TOO_SMALL = 15,      // a main download under 1 MiB
};
