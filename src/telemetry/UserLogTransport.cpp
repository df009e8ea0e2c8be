#include "UserLogTransport.h"

#include "Deployment.h"
#include "TlsPolicy.h"
#include "weblog/IWebLog.h"

namespace {

// The certificate policy keeps its parsed trust anchors in function statics,
// and libcurl and OpenSSL set up global state on first use. Using them once
// here, before the sender thread exists, makes all of that older than the user
// event log, so it is torn down after the log at process exit: a sender still
// finishing a transfer then never meets destroyed state.
void PrimeTransferState() {
  CURL* curl = curl_easy_init();
  if (curl == nullptr) return;
  ApplyTlsPolicy(curl);
  curl_easy_cleanup(curl);
}

}  // namespace

WebLogConfig WebLogConfigFromDeployment() {
  CDeployment& deployment = CDeployment::Instance();
  WebLogConfig config;
  config.userCheckBase = deployment.BaseUrl("UserCheck", true);
  config.downloadSiteBase = deployment.BaseUrl("DownloadSite", true);
  config.collectBase = deployment.BaseUrl("AnalyticsCollect", true);
  config.collectTestBase = deployment.BaseUrl("AnalyticsCollectTest", true);
  config.ga4Base = deployment.BaseUrl("Ga4Endpoint", true);
  config.applyTls = [](CURL* curl) { return ApplyTlsPolicy(curl); };
  return config;
}

std::shared_ptr<IWebLog> CreateUserLogTransport() {
  PrimeTransferState();
  SetWebLogConfig(WebLogConfigFromDeployment());
  IWebLog* transport = CreateExportObj();
  if (transport == nullptr) return nullptr;
  return std::shared_ptr<IWebLog>(transport, [](IWebLog* t) { DestroyExportObj(t); });
}
