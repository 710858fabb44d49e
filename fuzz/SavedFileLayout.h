// An independent check of a saved track file's framing.
//
// Walks the fixed chunk tree of a saved file with its own small reader (it
// shares no code with the library's readers, writers or size computation)
// and checks that every size field equals the bytes that follow it up to the
// end of its chunk, that every sub-chunk count equals the chunk's children,
// and that the root chunk ends exactly at the end of the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fuzzcheck {

// Empty when the framing is right; otherwise the first fault found, naming
// the chunk and the byte offset.
std::string FindLayoutFault(const std::vector<uint8_t>& savedFile);

}  // namespace fuzzcheck
