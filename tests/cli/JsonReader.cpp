#include "JsonReader.h"

#include <cstdlib>
#include <stdexcept>

namespace jsonreader {

namespace {

const JsonValue kNull;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  JsonValue Document() {
    JsonValue value = Value();
    SkipSpace();
    if (at_ != text_.size()) Fail("text after the document");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error(what + " at byte " + std::to_string(at_));
  }
  char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  void SkipSpace() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
      ++at_;
    }
  }
  void Expect(char c) {
    if (Peek() != c) Fail(std::string("expected '") + c + "'");
    ++at_;
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  JsonValue Value() {
    SkipSpace();
    JsonValue value;
    const char c = Peek();
    if (c == '{') {
      value.type = JsonValue::Type::Object;
      ++at_;
      SkipSpace();
      if (Peek() == '}') return ++at_, value;
      while (true) {
        SkipSpace();
        const std::string key = String();
        SkipSpace();
        Expect(':');
        if (!value.object.emplace(key, Value()).second) Fail("duplicate key " + key);
        SkipSpace();
        if (Peek() == '}') return ++at_, value;
        Expect(',');
      }
    }
    if (c == '[') {
      value.type = JsonValue::Type::Array;
      ++at_;
      SkipSpace();
      if (Peek() == ']') return ++at_, value;
      while (true) {
        value.array.push_back(Value());
        SkipSpace();
        if (Peek() == ']') return ++at_, value;
        Expect(',');
      }
    }
    if (c == '"') {
      value.type = JsonValue::Type::String;
      value.string = String();
      return value;
    }
    for (const bool flag : {true, false}) {
      if (Literal(flag ? "true" : "false")) {
        value.type = JsonValue::Type::Bool;
        value.boolean = flag;
        return value;
      }
    }
    if (Literal("null")) return value;
    value.type = JsonValue::Type::Number;
    value.number = Number();
    return value;
  }

  double Number() {
    const size_t start = at_;
    if (Peek() == '-') ++at_;
    if (Peek() == '0') {
      ++at_;
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    } else {
      Fail("expected a value");
    }
    if (Peek() == '.') {
      ++at_;
      if (!(Peek() >= '0' && Peek() <= '9')) Fail("expected a digit");
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      ++at_;
      if (Peek() == '+' || Peek() == '-') ++at_;
      if (!(Peek() >= '0' && Peek() <= '9')) Fail("expected a digit");
      while (Peek() >= '0' && Peek() <= '9') ++at_;
    }
    return std::strtod(std::string(text_.substr(start, at_ - start)).c_str(), nullptr);
  }

  std::string String() {
    Expect('"');
    std::string result;
    while (true) {
      if (at_ >= text_.size()) Fail("unterminated string");
      const auto c = static_cast<unsigned char>(text_[at_]);
      if (c == '"') {
        ++at_;
        return result;
      }
      if (c < 0x20) Fail("unescaped control character");
      if (c == '\\') {
        ++at_;
        const char e = Peek();
        ++at_;
        switch (e) {
          case '"': result += '"'; break;
          case '\\': result += '\\'; break;
          case '/': result += '/'; break;
          case 'b': result += '\b'; break;
          case 'f': result += '\f'; break;
          case 'n': result += '\n'; break;
          case 'r': result += '\r'; break;
          case 't': result += '\t'; break;
          case 'u': AppendUtf8(result, Hex4()); break;
          default: Fail("bad escape");
        }
        continue;
      }
      if (c >= 0x80) {
        const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || at_ + length > text_.size()) Fail("invalid UTF-8");
        for (size_t k = 1; k < length; ++k) {
          if ((static_cast<unsigned char>(text_[at_ + k]) & 0xC0) != 0x80) Fail("invalid UTF-8");
        }
        result.append(text_.substr(at_, length));
        at_ += length;
        continue;
      }
      result += static_cast<char>(c);
      ++at_;
    }
  }

  uint32_t Hex4() {
    if (at_ + 4 > text_.size()) Fail("short \\u escape");
    uint32_t value = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = text_[at_++];
      value <<= 4;
      if (h >= '0' && h <= '9') value |= static_cast<uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f') value |= static_cast<uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F') value |= static_cast<uint32_t>(h - 'A' + 10);
      else Fail("bad hex digit");
    }
    return value;
  }

  static void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
  const auto found = object.find(key);
  return found == object.end() ? kNull : found->second;
}

const JsonValue& JsonValue::operator[](size_t index) const { return index < array.size() ? array[index] : kNull; }

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
  try {
    return Parser(text).Document();
  } catch (const std::runtime_error& failure) {
    if (error != nullptr) *error = failure.what();
    return std::nullopt;
  }
}

}  // namespace jsonreader
