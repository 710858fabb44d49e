// Bytes of the fixed-size records other code counts with: a flange adds two
// free nodes and a tube to a saved file.
#pragma once

#include <cstdint>

namespace trackio {

inline constexpr int32_t kFreeNodeRecordBytes = 28;  // FREN: x, y, z, 16 reserved
inline constexpr int32_t kTubeRecordBytes = 48;      // TUBE: two ends, type, values, gaps

}  // namespace trackio
