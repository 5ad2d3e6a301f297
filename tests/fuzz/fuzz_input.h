#pragma once
// Turning fuzz bytes into the program's texts.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/text.h"

namespace lanthe::fuzzing {

inline std::string_view AsBytes(const std::uint8_t* data, std::size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// Pairs of bytes as UTF-16 code units, so that every code unit can occur.
inline Text AsUtf16(const std::uint8_t* data, std::size_t size) {
  Text text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  return text;
}

// Keeps the optimiser from dropping work whose result is not otherwise used.
template <typename T>
void Sink(const T& value) {
  static volatile std::size_t sink;
  sink = sink + sizeof(value);
  asm volatile("" : : "r"(&value) : "memory");
}

}  // namespace lanthe::fuzzing
