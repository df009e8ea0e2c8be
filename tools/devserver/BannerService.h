// The banner service: GET /api/v1/banners answers the signed query of the
// running page with the promotion pictures to show (a JSON array of
// {banner_url, jump_url, prompt, sort}); the pictures themselves are served
// from <root>/banners/ under /banners/. Section "banners" of the configuration
// (and of /__control) holds the list and a mode that breaks the answer or one
// picture in the ways a client must survive. See README.md, "Banners".
#pragma once

#include "Services.h"

namespace devserver::BannerService {

// False (with a reason) when its configuration section is unusable.
bool Register(ServiceContext& context, std::string& error);

}  // namespace devserver::BannerService
