// Byte searches that respect double-byte characters: a byte of 0x80 or above starts a
// two-byte character, whose second byte is never taken for an ASCII character.
#pragma once

#include <cstddef>

namespace core {

// 1-based position of the last backslash of the first `length` bytes, or 0 when there
// is none. A lead byte in the last position ends the walk.
std::size_t FindLastBackslash(const char* bytes, std::size_t length);

}  // namespace core
