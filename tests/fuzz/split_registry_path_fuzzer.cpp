// Fuzzes the cut of a registry path into key path and value name. The path is a Text
// of exactly the input's bytes up to its first zero byte, in a block of its own, so
// AddressSanitizer sees any read past its end. Checked against the rules written out
// again here, in the plainest form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/text.h"
#include "registry/registry.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Position (1-based) of the last backslash that starts a character; 0 when none.
std::size_t LastSeparator(const unsigned char* bytes, std::size_t length) {
  std::size_t last = 0;
  std::size_t i = 0;
  while (i < length) {
    if (bytes[i] >= 0x80) {
      i += 2;  // a double-byte character, or a lead byte at the very end
      continue;
    }
    if (bytes[i] == '\\') last = i + 1;
    ++i;
  }
  return last;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const core::Text path(reinterpret_cast<const char*>(data), size);
  const std::size_t n = path.size();
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(path.c_str());
  core::Text keyPath("left over");
  core::Text valueName("left over");
  registry::SplitRegistryPath(path, &keyPath, &valueName);

  // Both parts are real Texts: their length is where their bytes end.
  Check(std::strlen(keyPath.c_str()) == keyPath.size());
  Check(std::strlen(valueName.c_str()) == valueName.size());
  // The key path is a prefix of the path, the value name a suffix.
  Check(keyPath.size() <= n && std::memcmp(keyPath.c_str(), bytes, keyPath.size()) == 0);
  Check(valueName.size() <= n && std::memcmp(valueName.c_str(), bytes + n - valueName.size(), valueName.size()) == 0);

  if (n > 0 && bytes[n - 1] == '\\') {
    Check(keyPath == path && valueName.empty());
    return 0;
  }
  std::size_t p = LastSeparator(bytes, n);
  if (p == 0) {
    Check(keyPath == path && valueName.empty());
    return 0;
  }
  // Cut at p: the separator belongs to neither part, and the value name holds no
  // separator of its own.
  Check(keyPath.size() == p - 1 && valueName.size() == n - p);
  Check(bytes[p - 1] == '\\');
  Check(LastSeparator(reinterpret_cast<const unsigned char*>(valueName.c_str()), valueName.size()) == 0);
  return 0;
}
