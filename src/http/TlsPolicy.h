// Certificate checking for every HTTPS request: peer and host are verified
// against the system trust store plus the trust anchors the deployment file
// names. A program that runs what it downloads must not accept any
// certificate; only the tester's setting InsecureTls=1 turns checking off.
#pragma once

#include <curl/curl.h>

// Sets the verification options on a handle; returns the result of setting
// CURLOPT_SSL_VERIFYPEER (the caller does not perform the transfer when it
// is not CURLE_OK).
CURLcode ApplyTlsPolicy(CURL* curl);

// True when checking is switched off by the settings file (logged once).
bool IsTlsVerificationOff();
