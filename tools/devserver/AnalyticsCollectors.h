// The analytics collection services: the GA4 Measurement Protocol endpoint
// (POST /g/collect, 204) and the funnel collector (POST /collect, and the test
// collector /collector, 200). Each checks the request's shape and flags what
// is malformed in the record. Section "analytics" of the configuration (and of
// /__control): {"ga4_mode": "204" | "200" | "400"}.
#pragma once

#include "Services.h"

namespace devserver::AnalyticsCollectors {

bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::AnalyticsCollectors
