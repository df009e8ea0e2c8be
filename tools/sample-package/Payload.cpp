#include "Payload.h"

extern "C" {
extern const char sample_product_begin[];
extern const char sample_product_end[];
extern const char sample_data_begin[];
extern const char sample_data_end[];
}

namespace sample {

std::string_view ProductExecutableBytes() {
  return {sample_product_begin, static_cast<std::size_t>(sample_product_end - sample_product_begin)};
}

std::string_view ProductDataBytes() {
  return {sample_data_begin, static_cast<std::size_t>(sample_data_end - sample_data_begin)};
}

}  // namespace sample
