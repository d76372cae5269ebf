// Sums of row heights and column widths are taken in 64 bits; what the grid
// stores or hands to the window layer is cut to the int range.
#pragma once

#include <algorithm>
#include <climits>

namespace grid_sums {
inline int Clamp(long long value) { return int(std::clamp<long long>(value, INT_MIN, INT_MAX)); }
}  // namespace grid_sums
