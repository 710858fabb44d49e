// How the tools word things for people: counts with thousands separators,
// nouns in the plural, parts of a file, and text from a file (a name, a
// tag) made into valid UTF-8 for a JSON or XML reader.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "trackio/TrackIO.h"

namespace trackio {

// 16450948 as "16,450,948".
std::string Count(int64_t count);

// "1 tube", "16,450,948 flanges".
std::string Plural(int64_t count, const char* noun);

// The code point of the well-formed UTF-8 sequence at `at` and its length,
// or length 0 when there is none (overlong forms and surrogates included).
struct Decoded {
  char32_t code = 0;
  size_t length = 0;
};
Decoded DecodeUtf8(std::string_view text, size_t at);

// `text` as UTF-8: valid sequences kept, every other byte read as Latin-1
// (0xFC as "ü"), so that no byte is lost or merged with its neighbours.
std::string AsUtf8(std::string_view text);

// A tag as read from a file may hold any byte; the odd ones show as \xNN.
std::string PrintableTag(const std::string& tag);

// "12 bytes": a chunk's whole length, its tag and size field included.
std::string ChunkLength(const FoundChunk& chunk);

// The parts a save leaves out, the first few named: "2 parts this tool does
// not know: XTRA, 12 bytes; ZZZZ, 8 bytes" ("; and 3 more" after the fourth).
std::string UnknownPartsText(const std::vector<FoundChunk>& parts);

}  // namespace trackio
