// Hints to the operating system about how large blocks of memory are used.
#pragma once

#include <cstddef>

namespace trackio {

// Asks for a large block that is about to be filled from end to end (a file
// buffer, a table reserved ahead) to be backed by huge pages where the
// system offers them on request. Faults on fresh 4 KiB pages dominated the
// time of flanging a large track: filling 188 MB took 160 ms in 4 KiB pages
// and 23 ms in 2 MiB pages on the development machine, and freeing it 35 ms
// against 1 ms. Only a hint: blocks under a few MiB, and systems without
// such pages, are left alone, and nothing else changes.
void AdviseHugePages(const void* data, size_t bytes);

}  // namespace trackio
