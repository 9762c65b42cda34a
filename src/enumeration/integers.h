// The shared integer array: 0-based, zero-filled when sized, every access
// checked; assignment shares the array instead of copying it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "UTypes/UTypes.h"

namespace grafen {

struct integers {
  std::shared_ptr<std::vector<std::int32_t>> items = std::make_shared<std::vector<std::int32_t>>();

  std::int32_t& operator[](std::int32_t k) const {
    if (k < 0 || static_cast<std::size_t>(k) >= items->size()) RaiseRangeError();
    return (*items)[static_cast<std::size_t>(k)];
  }
};

// The number of slots.
inline std::int32_t Length(const integers& array) {
  return static_cast<std::int32_t>(array.items->size());
}

// Resizes in place (every holder of the array sees it); all slots become 0.
inline void SetLength(const integers& array, std::int32_t length) {
  array.items->assign(static_cast<std::size_t>(length < 0 ? 0 : length), 0);
}

}  // namespace grafen
