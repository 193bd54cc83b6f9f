#pragma once
// Asks the processor to bring in a block of memory, line by line, ahead of the code that reads
// it; changes nothing.
#include <cstddef>

// The processor's cache line, the unit memory comes in.
constexpr std::size_t kCacheLineBytes = 64;

inline void prefetchLines(const void* from, std::size_t bytes) {
  const char* p = static_cast<const char*>(from);
  for (std::size_t at = 0; at < bytes; at += kCacheLineBytes)
    __builtin_prefetch(p + at);
}
