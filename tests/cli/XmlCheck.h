// A small well-formedness check for the SVG the tool writes: one root
// element, tags balanced and named alike, attributes quoted, and '&' and '<'
// only where XML allows them. Not a parser: it knows no DTDs, comments or
// CDATA, which the tool never writes.
#pragma once

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

namespace xmlcheck {

inline bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == ':' || c == '.';
}

// True when every '&' in `text` starts an entity and no '<' occurs.
inline bool IsCharacterData(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') return false;
    if (text[i] != '&') continue;
    const size_t end = text.find(';', i);
    if (end == std::string_view::npos) return false;
    const std::string_view entity = text.substr(i + 1, end - i - 1);
    if (entity != "amp" && entity != "lt" && entity != "gt" && entity != "quot" && entity != "apos" &&
        (entity.empty() || entity[0] != '#')) {
      return false;
    }
  }
  return true;
}

// Empty when `xml` is well-formed, else what is wrong and where.
inline std::string Problem(std::string_view xml) {
  size_t at = 0;
  if (xml.substr(0, 5) == "<?xml") {
    at = xml.find("?>");
    if (at == std::string_view::npos) return "unclosed XML declaration";
    at += 2;
  }
  std::vector<std::string> open;
  bool rootSeen = false;
  while (true) {
    const size_t lt = xml.find('<', at);
    const std::string_view text = xml.substr(at, lt == std::string_view::npos ? std::string_view::npos : lt - at);
    if (!IsCharacterData(text)) return "bad character data before byte " + std::to_string(lt);
    if (open.empty() && text.find_first_not_of(" \t\r\n") != std::string_view::npos) {
      return "text outside the root element at byte " + std::to_string(at);
    }
    if (lt == std::string_view::npos) break;
    const size_t gt = xml.find('>', lt);
    if (gt == std::string_view::npos) return "unclosed tag at byte " + std::to_string(lt);
    std::string_view tag = xml.substr(lt + 1, gt - lt - 1);
    at = gt + 1;
    if (!tag.empty() && tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1)) return "unbalanced </" + std::string(tag.substr(1)) + ">";
      open.pop_back();
      continue;
    }
    const bool selfClosing = !tag.empty() && tag.back() == '/';
    if (selfClosing) tag.remove_suffix(1);
    size_t i = 0;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    if (i == 0) return "tag without a name at byte " + std::to_string(lt);
    const std::string name(tag.substr(0, i));
    if (open.empty() && rootSeen) return "a second root element <" + name + ">";
    rootSeen = true;
    // Attributes: name="value" separated by spaces.
    while (i < tag.size()) {
      if (tag[i] != ' ' && tag[i] != '\n') return "no space before an attribute in <" + name + ">";
      while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\n')) ++i;
      if (i == tag.size()) break;
      const size_t nameStart = i;
      while (i < tag.size() && IsNameChar(tag[i])) ++i;
      if (i == nameStart || i + 1 >= tag.size() || tag[i] != '=' || tag[i + 1] != '"') {
        return "unquoted attribute in <" + name + ">";
      }
      const size_t close = tag.find('"', i + 2);
      if (close == std::string_view::npos) return "unclosed attribute in <" + name + ">";
      if (!IsCharacterData(tag.substr(i + 2, close - i - 2))) return "bad attribute value in <" + name + ">";
      i = close + 1;
    }
    if (!selfClosing) open.push_back(name);
  }
  if (!rootSeen) return "no root element";
  if (!open.empty()) return "<" + open.back() + "> is never closed";
  return {};
}

}  // namespace xmlcheck
