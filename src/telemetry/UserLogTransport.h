// The analytics transport the user event log uses: a WebLog configured with
// this program's deployment values. The transport knows no hosts of its own;
// they come from the deployment file here, so weblog/ never reaches into src/.
#pragma once

#include "weblog/WebLogConfig.h"

#include <memory>

class IWebLog;

// The transport's hosts and certificate policy from the deployment file.
WebLogConfig WebLogConfigFromDeployment();

// Sets the process-wide transport configuration and creates the transport
// through CreateExportObj; released through DestroyExportObj. Null when it
// cannot be made.
std::shared_ptr<IWebLog> CreateUserLogTransport();
