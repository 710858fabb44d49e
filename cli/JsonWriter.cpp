#include "cli/JsonWriter.h"

#include <cstdio>

namespace cli {

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 if there is none.
size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&text](size_t at) { return static_cast<unsigned char>(text[at]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  uint32_t codePoint = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    codePoint = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    codePoint = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    codePoint = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
  }
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (codePoint < smallest[length] || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
    return 0;
  }
  return length;
}

}  // namespace

std::string JsonQuoted(std::string_view text) {
  std::string quoted = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      if (const size_t length = Utf8SequenceLength(text, i)) {
        quoted.append(text.substr(i, length));
        i += length;
        continue;
      }
    }
    switch (c) {
      case '"': quoted += "\\\""; break;
      case '\\': quoted += "\\\\"; break;
      case '\n': quoted += "\\n"; break;
      case '\r': quoted += "\\r"; break;
      case '\t': quoted += "\\t"; break;
      default:
        if (c < 0x20 || c >= 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
          quoted += escape;
        } else {
          quoted += static_cast<char>(c);
        }
    }
    ++i;
  }
  return quoted + "\"";
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeginValue();
  out_ << JsonQuoted(name) << ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view value) {
  BeginValue();
  out_ << JsonQuoted(value);
  return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
  BeginValue();
  out_ << value;
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeginValue();
  out_ << (value ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeginValue();
  out_ << "null";
  return *this;
}

JsonWriter& JsonWriter::Open(char bracket, bool isObject) {
  BeginValue();
  out_ << bracket;
  levels_.push_back({isObject});
  return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
  const bool empty = levels_.back().empty;
  levels_.pop_back();
  if (!empty) NewLine();
  out_ << bracket;
  if (levels_.empty()) out_ << '\n';
  return *this;
}

void JsonWriter::BeginValue() {
  if (afterKey_) {  // the value of a member: on the key's line
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  if (!levels_.back().empty) out_ << ',';
  levels_.back().empty = false;
  NewLine();
}

void JsonWriter::NewLine() { out_ << '\n' << std::string(2 * levels_.size(), ' '); }

}  // namespace cli
