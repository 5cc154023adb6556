#pragma once

#include <cstdint>

namespace keldo::art::test {

inline bool Opaque(std::uint32_t argb) {
  return (argb >> 24) == 0xFF;
}
inline int Red(std::uint32_t argb) {
  return static_cast<int>((argb >> 16) & 0xFF);
}
inline int Green(std::uint32_t argb) {
  return static_cast<int>((argb >> 8) & 0xFF);
}
inline int Blue(std::uint32_t argb) {
  return static_cast<int>(argb & 0xFF);
}

}  // namespace keldo::art::test
