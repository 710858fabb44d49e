// Making room for the large tables of a track document: free nodes, tubes
// and footers run to hundreds of MiB. Fresh memory costs the system a page
// fault for each 4 KiB page on its first write, microseconds each on a
// virtual machine; on Linux a large table's new memory is mapped up front,
// on two threads. Elsewhere, and for small tables, this is plain reserve()
// and resize().
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace trackio {

// Asks the system to map [begin, end) now, on two threads; a hint that
// does nothing where it cannot.
void MapMemoryAhead(void* begin, void* end);

// Empties `table` and makes room for `size` records, mapped up front, for
// records to be appended: none is written twice.
template <typename Record>
void ReserveTable(std::vector<Record>& table, size_t size) {
  table.clear();
  table.reserve(size);
  MapMemoryAhead(table.data(), table.data() + size);
}

// Grows `table` to `size` records, the new ones value-initialised. The old
// records move to fresh room that is mapped up front as well, and the old
// room is given up before the rest of the new is mapped, so the old table
// and the whole new one are never held at once.
template <typename Record>
void GrowTable(std::vector<Record>& table, size_t size) {
  if (size <= table.size()) {
    table.resize(size);
    return;
  }
  if (size > table.capacity()) {
    std::vector<Record> grown;
    grown.reserve(size);
    MapMemoryAhead(grown.data(), grown.data() + table.size());
    grown.assign(table.begin(), table.end());
    table = std::move(grown);
  }
  MapMemoryAhead(table.data() + table.size(), table.data() + size);
  table.resize(size);
}

}  // namespace trackio
