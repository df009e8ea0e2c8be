// Reading the texts the identity services answer with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The user-check base URL from the first line of softwarelog.txt: accepted
// only when it is an http:// or https:// address of sane length without
// blanks or control characters; its trailing '/' is dropped.
std::optional<std::string> UserCheckBaseFromText(std::string_view text);
