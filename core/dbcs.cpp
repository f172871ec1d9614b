#include "core/dbcs.h"

namespace core {

std::size_t FindLastBackslash(const char* bytes, std::size_t length) {
  std::size_t last = 0;
  for (std::size_t i = 0; i < length; ++i) {
    unsigned char byte = static_cast<unsigned char>(bytes[i]);
    if (byte >= 0x80) {
      ++i;  // the second byte of the character, whatever its value
    } else if (byte == '\\') {
      last = i + 1;
    }
  }
  return last;
}

}  // namespace core
