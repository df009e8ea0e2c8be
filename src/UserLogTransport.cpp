#include "UserLogTransport.h"

#include "Deployment.h"
#include "TlsPolicy.h"
#include "weblog/IWebLog.h"

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
  SetWebLogConfig(WebLogConfigFromDeployment());
  IWebLog* transport = CreateExportObj();
  if (transport == nullptr) return nullptr;
  return std::shared_ptr<IWebLog>(transport, [](IWebLog* t) { DestroyExportObj(t); });
}
