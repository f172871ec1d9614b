#include "core/fatal_error.h"

#include <cstring>

#include "core/external_functions.h"
#include "core/process_state.h"
#include "core/system_api.h"
#include "core/texts.h"

namespace core {

namespace {

// Appends without ever writing past the buffer; always leaves it terminated.
struct BoundedWriter {
  char* out;
  std::size_t capacity;
  std::size_t length = 0;

  void Put(const char* text, std::size_t n) {
    if (capacity == 0) return;
    std::size_t room = capacity - 1 - length;
    if (n > room) n = room;
    std::memcpy(out + length, text, n);
    length += n;
    out[length] = '\0';
  }
  void Put(const char* text) { Put(text, std::strlen(text)); }
  void PutNumber(long long value) {
    char digits[24];
    std::size_t n = 0;
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
      digits[sizeof digits - 1 - n++] = static_cast<char>('0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude);
    if (value < 0) digits[sizeof digits - 1 - n++] = '-';
    Put(digits + sizeof digits - n, n);
  }
};

const char* MessageForCode(int code) {
  switch (code) {
    case kFatalCodeStackImbalance: return texts::kFatalStackImbalance;
    case kFatalCodeChoiceOutOfRange: return texts::kFatalChoiceOutOfRange;
    default: return "";
  }
}

}  // namespace

std::size_t FormatText(char* out, std::size_t capacity, const char* format, const char* const* strings,
                       std::size_t stringCount, long long number) {
  BoundedWriter writer{out, capacity};
  if (capacity) out[0] = '\0';
  std::size_t nextString = 0;
  for (const char* p = format; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      writer.Put(nextString < stringCount && strings[nextString] ? strings[nextString] : "");
      ++nextString;
      ++p;
    } else if (p[0] == '%' && p[1] == 'd') {
      writer.PutNumber(number);
      ++p;
    } else {
      writer.Put(p, 1);
    }
  }
  return writer.length;
}

void FormatAllocationFailure(std::size_t size, char* out, std::size_t capacity) {
  FormatText(out, capacity, texts::kFatalAllocationFailed, nullptr, 0, static_cast<long long>(size));
}

std::size_t BuildFatalErrorText(const char* message, int code, char* out, std::size_t capacity) {
  BoundedWriter writer{out, capacity};
  if (capacity) out[0] = '\0';
  writer.Put(texts::kFatalHeading);
  writer.Put("\r\n");
  if (code != 0) {
    writer.Put("\r\n");
    writer.Put(texts::kFatalCodeLabel);
    writer.PutNumber(code);
    writer.Put("\r\n");
  }
  if (message && *message) {
    writer.Put("\r\n");
    writer.Put(texts::kFatalMessageLabel);
    writer.Put(message);
    writer.Put("\r\n");
  }
  return writer.length;
}

void ReportFatalError(const char* message, int code) {
  ProcessState& state = Process();
  ++state.shutdownCounter;

  if (code != 0) message = MessageForCode(code);
  // A fixed buffer: this may run because memory ran out.
  char text[1024];
  BuildFatalErrorText(message, code, text, sizeof text);
  const sys::SystemApi& api = sys::System();
  api.MessageBoxA(nullptr, text, texts::kFatalCaption, sys::kMbOk | sys::kMbIconError);

  ReleaseExternalFunctions();
  if (state.oleInitialised) {
    state.oleInitialised = false;
    api.OleUninitialize();
  }
  api.ExitProcess(static_cast<sys::Dword>(-1));
  __builtin_trap();  // ExitProcess does not return
}

}  // namespace core
