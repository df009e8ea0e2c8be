#include "Json.h"

#include <fstream>
#include <memory>

namespace devserver {
namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t len = 0;
  unsigned min = 0;
  unsigned cp = 0;
  if ((lead & 0xE0) == 0xC0) {
    len = 2, min = 0x80, cp = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    len = 3, min = 0x800, cp = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    len = 4, min = 0x10000, cp = lead & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::optional<Json::Value> ParseJson(std::string_view text, std::string& error) {
  if (text.size() > kMaxJsonBytes) {
    error = "JSON text too large";
    return std::nullopt;
  }
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  builder["rejectDupKeys"] = true;
  const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  try {
    if (!reader->parse(text.data(), text.data() + text.size(), &root, &errors)) {
      error = "bad JSON: " + errors;
      return std::nullopt;
    }
  } catch (const std::exception& e) {
    error = std::string("bad JSON: ") + e.what();
    return std::nullopt;
  }
  return root;
}

std::optional<Json::Value> LoadJsonFile(const std::string& path, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return std::nullopt;
  }
  std::string text;
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxJsonBytes) {
      error = path + " is too large";
      return std::nullopt;
    }
  }
  auto value = ParseJson(text, error);
  if (!value) error = path + ": " + error;
  return value;
}

std::optional<std::string> ScalarText(const Json::Value& value) {
  if (value.isString()) return value.asString();
  if (value.isBool()) return std::string(value.asBool() ? "1" : "0");
  if (value.isInt64()) return std::to_string(value.asInt64());
  if (value.isUInt64()) return std::to_string(value.asUInt64());
  return std::nullopt;
}

std::string WriteJsonLine(const Json::Value& value) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  builder["emitUTF8"] = true;
  try {
    return Json::writeString(builder, value);
  } catch (const std::exception&) {
    return "{}";
  }
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = SequenceLength(text, i);
    if (len == 0) return false;
    i += len;
  }
  return true;
}

std::string ValidUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = SequenceLength(text, i);
    if (len == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  return out;
}

}  // namespace devserver
