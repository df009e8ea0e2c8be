// Logs the proxy settings that apply to this user's requests. On Linux those
// are the proxy environment variables, which libcurl itself honours; nothing
// here changes a request.
#pragma once

namespace FuntionImpl {

// 0 when no setting is present, else 1, 2 or 3 for the last present one
// (auto-configuration URL, proxy list, bypass list).
int GetIEProxyConfig();

}  // namespace FuntionImpl
