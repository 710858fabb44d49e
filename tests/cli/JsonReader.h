// A strict JSON reader for checking the tool's output: it accepts only what
// the JSON grammar allows (no trailing commas, escaped control characters,
// valid UTF-8) and gives the document as a tree.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jsonreader {

struct JsonValue {
  enum class Type { Null, Bool, Number, String, Array, Object };
  Type type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string string;
  std::vector<JsonValue> array;
  std::map<std::string, JsonValue> object;

  // Member or element; a missing one reads as null.
  const JsonValue& operator[](const std::string& key) const;
  const JsonValue& operator[](size_t index) const;
  int64_t Int() const { return static_cast<int64_t>(number); }
};

// The document, or nothing with `error` saying where it went wrong.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace jsonreader
