// The signature check of the downloaded installer: true only when the file is
// signed, the signature verifies and its signer chains to a trusted anchor
// (the system store plus the deployment file's anchors).
#pragma once

#include <cstdint>
#include <string>

namespace FuntionImpl {

bool VerifyEmbeddedSignature(const std::string& path);

// The log message for a trust status and the last error that came with it,
// at most 255 characters (longer paths are cut at a character boundary).
std::string SignatureStatusMessage(std::uint32_t status, std::uint32_t lastError, const std::string& path);

}  // namespace FuntionImpl
