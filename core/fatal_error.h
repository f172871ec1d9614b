// The one fatal-error facility: an error box, the libraries bound by name released,
// OLE uninitialised, and the process ended with exit code -1.
#pragma once

#include <cstddef>

namespace core {

// Fatal error codes that carry their own message.
constexpr int kFatalCodeStackImbalance = 6;
constexpr int kFatalCodeChoiceOutOfRange = 9;

[[noreturn]] void ReportFatalError(const char* message, int code);

// The box text: heading, then the code and message lines that apply. Writes at most
// capacity bytes including the terminating zero; returns the length written.
std::size_t BuildFatalErrorText(const char* message, int code, char* out, std::size_t capacity);

// "分配 %d 字节内存失败!" filled in, without allocating.
void FormatAllocationFailure(std::size_t size, char* out, std::size_t capacity);

// Fills each %s and %d of a template in turn, bounded by capacity; returns the length.
std::size_t FormatText(char* out, std::size_t capacity, const char* format, const char* const* strings,
                       std::size_t stringCount, long long number = 0);

}  // namespace core
