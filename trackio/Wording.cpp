#include "trackio/Wording.h"

#include <cstdio>

namespace trackio {

std::string Count(int64_t count) {
  const std::string digits = std::to_string(count);
  const size_t sign = count < 0 ? 1 : 0;
  std::string text = digits.substr(0, sign);
  for (size_t i = sign; i < digits.size(); ++i) {
    if (i > sign && (digits.size() - i) % 3 == 0) text += ',';
    text += digits[i];
  }
  return text;
}

std::string Plural(int64_t count, const char* noun) {
  return Count(count) + " " + noun + (count == 1 ? "" : "s");
}

Decoded DecodeUtf8(std::string_view text, size_t at) {
  const auto byte = [&text](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (byte(at + 1) < low || byte(at + 1) > high) return {};
  char32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return {};
    code = (code << 6) | (byte(at + k) & 0x3F);
  }
  return {code, length};
}

std::string AsUtf8(std::string_view text) {
  std::string utf8;
  utf8.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Decoded decoded = DecodeUtf8(text, i);
    if (decoded.length > 0) {
      utf8.append(text, i, decoded.length);
      i += decoded.length;
    } else {
      const auto byte = static_cast<unsigned char>(text[i++]);  // 0x80 to 0xFF: two bytes in UTF-8
      utf8 += static_cast<char>(0xC0 | (byte >> 6));
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

std::string PrintableTag(const std::string& tag) {
  std::string text;
  for (const char c : tag) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      text += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
      text += escape;
    }
  }
  return text;
}

std::string ChunkLength(const FoundChunk& chunk) {
  return Plural(int64_t{chunk.storedSize} + 8, "byte");
}

std::string UnknownPartsText(const std::vector<FoundChunk>& parts) {
  constexpr size_t kNamed = 4;
  std::string text = Plural(static_cast<int64_t>(parts.size()), "part") + " this tool does not know: ";
  for (size_t i = 0; i < parts.size() && i < kNamed; ++i) {
    text += (i > 0 ? "; " : "") + PrintableTag(parts[i].tag) + ", " + ChunkLength(parts[i]);
  }
  if (parts.size() > kNamed) text += "; and " + Count(static_cast<int64_t>(parts.size() - kNamed)) + " more";
  return text;
}

}  // namespace trackio
