// The identity services of the analytics transport: the maker's text file
// GET /downloads/service/softwarelog.txt (its first line names the user-check
// service) and the user check GET /QueryUser?guid=<36-character GUID>.
// Section "user_check" of the configuration (and of /__control):
// {"softwarelog": text, "query_user": text}; placeholders as in the update
// service ({base}, {https_base}). A QueryUser request without a well-formed
// guid gets 400 and is flagged in the record.
#pragma once

#include "Services.h"

namespace devserver::UserCheck {

bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::UserCheck
