// Certificate checking for every HTTPS request: peer and host are verified
// against the system trust store plus the TLS trust anchors the deployment
// file names. A program that runs what it downloads never accepts an
// unchecked certificate: there is no switch that turns checking off (tests
// use a test CA).
#pragma once

#include <curl/curl.h>

// Sets the verification options on a handle; returns the result of setting
// CURLOPT_SSL_VERIFYPEER (the caller does not perform the transfer when it
// is not CURLE_OK).
CURLcode ApplyTlsPolicy(CURL* curl);
