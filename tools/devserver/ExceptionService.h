// The exception-collection service: POST /api/exception/send with the form
// body "pid=N&type=2&exception_code=CODE&other=QUERY_URL,DOWNLOAD_URL" (the
// URLs unescaped, so `other` is everything after the first "&other="). Answers
// 200 and flags a body of another shape in the record.
#pragma once

#include "Services.h"

namespace devserver::ExceptionService {

bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::ExceptionService
