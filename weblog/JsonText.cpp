#include "JsonText.h"

#include <memory>

std::optional<Json::Value> ParseJsonObject(std::string_view text, std::size_t maxBytes) {
  if (text.size() > maxBytes) return std::nullopt;
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["stackLimit"] = 256;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value parsed;
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &parsed, &errors) || !parsed.isObject()) {
      return std::nullopt;
    }
  } catch (const std::exception&) {
    // The reader reports nesting past the stack limit by throwing.
    return std::nullopt;
  }
  return parsed;
}

std::string CompactJson(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return Json::writeString(builder, value);
}

std::string PrettyJson(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "\t";
  return Json::writeString(builder, value);
}
