// Text: an 8-bit string in the active ANSI code page that ends at its first zero byte.
// ByteBuffer: a counted byte sequence, zero bytes allowed. Both own their memory and
// take it through AllocateBytes, so a refused allocation is a fatal error, never a
// null pointer further on.
#pragma once

#include <cstddef>

namespace core {

// Memory for the program's own blocks; never returns null (a refusal is fatal).
void* AllocateBytes(std::size_t size);
void* ReallocateBytes(void* block, std::size_t size);
void ReleaseBytes(void* block);

class Text {
 public:
  Text() = default;
  Text(const char* text);  // NOLINT: a literal is a Text; null is the empty Text
  Text(const char* bytes, std::size_t length);  // ends at the first zero byte within length
  Text(const Text& other);
  Text(Text&& other) noexcept;
  Text& operator=(const Text& other);
  Text& operator=(Text&& other) noexcept;
  ~Text();

  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  // Never null: the empty Text gives "".
  const char* c_str() const { return bytes_ ? bytes_ : ""; }
  // What the system gets where an empty Text means "absent".
  const char* OrNull() const { return length_ ? bytes_ : nullptr; }
  unsigned char operator[](std::size_t index) const { return static_cast<unsigned char>(bytes_[index]); }

  Text& Append(const char* bytes, std::size_t length);
  Text& Append(const char* text);
  Text& Append(const Text& text) { return Append(text.c_str(), text.size()); }

  friend bool operator==(const Text& a, const Text& b);
  friend bool operator!=(const Text& a, const Text& b) { return !(a == b); }

 private:
  char* bytes_ = nullptr;
  std::size_t length_ = 0;
};

class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const void* bytes, std::size_t length);
  explicit ByteBuffer(std::size_t zeroBytes);
  ByteBuffer(const ByteBuffer& other);
  ByteBuffer(ByteBuffer&& other) noexcept;
  ByteBuffer& operator=(const ByteBuffer& other);
  ByteBuffer& operator=(ByteBuffer&& other) noexcept;
  ~ByteBuffer();

  // A Text's bytes without its terminating zero byte.
  static ByteBuffer FromText(const Text& text) { return ByteBuffer(text.c_str(), text.size()); }
  // The bytes up to the first zero byte, or all of them.
  Text ToText() const { return Text(reinterpret_cast<const char*>(bytes_), length_); }

  std::size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  // Null when empty: the empty ByteBuffer reaches the system as a null pointer.
  unsigned char* data() { return length_ ? bytes_ : nullptr; }
  const unsigned char* data() const { return length_ ? bytes_ : nullptr; }

  ByteBuffer& Append(const void* bytes, std::size_t length);
  ByteBuffer& AppendByte(unsigned char byte) { return Append(&byte, 1); }

 private:
  unsigned char* bytes_ = nullptr;
  std::size_t length_ = 0;
};

}  // namespace core
