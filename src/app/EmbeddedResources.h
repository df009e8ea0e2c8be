// The resource archive embedded in the executable by the build.
#pragma once

#include <cstddef>

extern "C" const unsigned char cw_resource_zip_begin[];
extern "C" const unsigned char cw_resource_zip_end[];

inline const void* EmbeddedResourceData() { return cw_resource_zip_begin; }
inline std::size_t EmbeddedResourceSize() {
  return static_cast<std::size_t>(cw_resource_zip_end - cw_resource_zip_begin);
}
