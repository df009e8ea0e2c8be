// The update service: GET /queryDownloaderV2 answers the download-info XML
// (a <Downloader> block inside a service envelope) built from the "update"
// section of the configuration, which /__control can change at run time.
#pragma once

#include "Services.h"

namespace devserver::UpdateService {

// False (with a reason) when its configuration section is unusable.
bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::UpdateService
