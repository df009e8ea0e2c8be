// The log-upload service: POST /v1/productLogUpload with a multipart form of
// the parts "file" (the ZIP archive, with its file name), "product_id",
// "version" and, optionally, "catalogue". The archive is stored in a folder
// (section "log_upload": "store", an absolute path; default <root>/uploads) as
// "<NNNN>_<file name>", the form fields are recorded with the request, and a
// form of another shape is flagged in the record.
//
// Section "log_upload" (configuration and /__control):
//   {"mode": "normal" | "500" | "slow", "slow_seconds": 0..3600, "store": "/abs/folder"}
// "500" answers status 500 without storing; "slow" waits slow_seconds before
// answering (the request body has already arrived), to test a client's limits.
#pragma once

#include "Services.h"

namespace devserver::LogUploadService {

bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::LogUploadService
