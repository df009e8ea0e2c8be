// Logs the proxy settings that apply to this user's requests. On Linux those
// are the proxy environment variables, which libcurl itself honours; nothing
// here changes a request. The " Get proxy: " line carries the result and
// error number of reading them: "1, 0" when read, "0, 2" (file not found, as
// the system's own call fails) when the user has none at all.
#pragma once

namespace FuntionImpl {

// 0 when no setting is present, else 1, 2 or 3 for the last present one
// (auto-configuration URL, proxy list, bypass list).
int GetIEProxyConfig();

}  // namespace FuntionImpl
