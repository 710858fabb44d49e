// An independent check of a track file's framing.
//
// Walks the fixed chunk tree of a file with its own small reader (it shares
// no code with the library's readers, writers or size computation) and
// checks that every known chunk stands where a save writes it, under its
// parent in the fixed order (chunks of unknown kinds may stand anywhere
// among the children of a known chunk), that every size field equals the
// bytes that follow it up to the end of its chunk, that every sub-chunk
// count equals the chunk's children, that every count and length is one a
// save writes, and that the root chunk ends exactly at the end of the file.
// A saved file passes; so does any file that an exact save gives back byte
// for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzzcheck {

// Empty when the framing is right; otherwise the first fault found, naming
// the chunk and the byte offset.
std::string FindLayoutFault(const std::vector<uint8_t>& savedFile);

}  // namespace fuzzcheck
