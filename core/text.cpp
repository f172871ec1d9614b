#include "core/text.h"

#include <cstdlib>
#include <cstring>

#include "core/fatal_error.h"

namespace core {

namespace {

[[noreturn]] void AllocationRefused(std::size_t size) {
  char message[64];
  FormatAllocationFailure(size, message, sizeof message);
  ReportFatalError(message, 0);
}

std::size_t BoundedLength(const char* bytes, std::size_t length) {
  const void* zero = std::memchr(bytes, 0, length);
  return zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : length;
}

}  // namespace

void* AllocateBytes(std::size_t size) {
  void* block = std::malloc(size ? size : 1);
  if (!block) AllocationRefused(size);
  return block;
}

void* ReallocateBytes(void* block, std::size_t size) {
  void* grown = std::realloc(block, size ? size : 1);
  if (!grown) AllocationRefused(size);
  return grown;
}

void ReleaseBytes(void* block) { std::free(block); }

Text::Text(const char* text) {
  if (text) Append(text, std::strlen(text));
}

Text::Text(const char* bytes, std::size_t length) {
  if (bytes) Append(bytes, BoundedLength(bytes, length));
}

Text::Text(const Text& other) { Append(other.c_str(), other.length_); }

Text::Text(Text&& other) noexcept : bytes_(other.bytes_), length_(other.length_) {
  other.bytes_ = nullptr;
  other.length_ = 0;
}

Text& Text::operator=(const Text& other) {
  if (this != &other) {
    length_ = 0;
    if (bytes_) bytes_[0] = '\0';  // an empty Text must not keep showing the old bytes
    Append(other.c_str(), other.length_);
  }
  return *this;
}

Text& Text::operator=(Text&& other) noexcept {
  if (this != &other) {
    ReleaseBytes(bytes_);
    bytes_ = other.bytes_;
    length_ = other.length_;
    other.bytes_ = nullptr;
    other.length_ = 0;
  }
  return *this;
}

Text::~Text() { ReleaseBytes(bytes_); }

Text& Text::Append(const char* bytes, std::size_t length) {
  length = BoundedLength(bytes, length);
  if (length == 0) return *this;
  bytes_ = static_cast<char*>(ReallocateBytes(bytes_, length_ + length + 1));
  std::memcpy(bytes_ + length_, bytes, length);
  length_ += length;
  bytes_[length_] = '\0';
  return *this;
}

Text& Text::Append(const char* text) { return text ? Append(text, std::strlen(text)) : *this; }

bool operator==(const Text& a, const Text& b) {
  return a.length_ == b.length_ && std::memcmp(a.c_str(), b.c_str(), a.length_) == 0;
}

ByteBuffer::ByteBuffer(const void* bytes, std::size_t length) { Append(bytes, length); }

ByteBuffer::ByteBuffer(std::size_t zeroBytes) {
  if (zeroBytes == 0) return;
  bytes_ = static_cast<unsigned char*>(AllocateBytes(zeroBytes));
  std::memset(bytes_, 0, zeroBytes);
  length_ = zeroBytes;
}

ByteBuffer::ByteBuffer(const ByteBuffer& other) { Append(other.bytes_, other.length_); }

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept : bytes_(other.bytes_), length_(other.length_) {
  other.bytes_ = nullptr;
  other.length_ = 0;
}

ByteBuffer& ByteBuffer::operator=(const ByteBuffer& other) {
  if (this != &other) {
    length_ = 0;
    Append(other.bytes_, other.length_);
  }
  return *this;
}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
  if (this != &other) {
    ReleaseBytes(bytes_);
    bytes_ = other.bytes_;
    length_ = other.length_;
    other.bytes_ = nullptr;
    other.length_ = 0;
  }
  return *this;
}

ByteBuffer::~ByteBuffer() { ReleaseBytes(bytes_); }

ByteBuffer& ByteBuffer::Append(const void* bytes, std::size_t length) {
  if (length == 0) return *this;
  bytes_ = static_cast<unsigned char*>(ReallocateBytes(bytes_, length_ + length));
  std::memcpy(bytes_ + length_, bytes, length);
  length_ += length;
  return *this;
}

}  // namespace core
