// The files the installer carries inside itself (assembled in by
// embed_payload.S): the product executable and its data file.
#pragma once

#include <string_view>

namespace sample {

std::string_view ProductExecutableBytes();
std::string_view ProductDataBytes();

}  // namespace sample
