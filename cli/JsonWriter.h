// A small streaming JSON writer: two-space indentation, commas and nesting
// kept track of, strings escaped so that the output is valid JSON whatever
// bytes they hold.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

// `text` as a JSON string literal, quotes included. Valid UTF-8 sequences are
// kept; any other byte is written as \u00XX (its Latin-1 reading).
std::string JsonQuoted(std::string_view text);

class JsonWriter {
 public:
  explicit JsonWriter(std::ostream& out) : out_(out) {}

  JsonWriter& BeginObject() { return Open('{', true); }
  JsonWriter& EndObject() { return Close('}'); }
  JsonWriter& BeginArray() { return Open('[', false); }
  JsonWriter& EndArray() { return Close(']'); }

  // The name of the next member of the current object.
  JsonWriter& Key(std::string_view name);

  JsonWriter& String(std::string_view value);
  JsonWriter& Number(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

 private:
  struct Level {
    bool isObject;
    bool empty = true;
  };

  JsonWriter& Open(char bracket, bool isObject);
  JsonWriter& Close(char bracket);
  // Separates a value (or a key) from what came before it.
  void BeginValue();
  void NewLine();

  std::ostream& out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace cli
