// How long one registry write and one probe take under Wine, next to one run of the
// system's reg tool doing the same write: the program writes three values per click,
// and a reg process per value would be the obvious other way to do it.
//
//   registry_bench [calls] [reg runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/texts.h"
#include "registry/registry.h"
#include "tests/wine/registry/scratch.h"

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  std::size_t n = samples.size();
  return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
  const int regRuns = argc > 2 ? std::atoi(argv[2]) : 20;
  if (!scratch::Begin("bench")) {
    std::fprintf(stderr, "HKEY_CLASSES_ROOT cannot be mapped to a scratch key\n");
    return 1;
  }
  const std::string command = "C:\\Tools\\editor.exe %1";
  const core::ByteBuffer data = core::ByteBuffer::FromText(command.c_str());

  for (int i = 0; i < 50; ++i) {  // bind the table, warm the caches
    registry::WriteRegistryValue(1, texts::kTgaEditCommandPath, data, registry::kOmitted, registry::kOmitted, 1);
    registry::RegistryValueExists(1, texts::kTgaEditCommandPath, 1);
  }

  std::vector<double> writes;
  std::vector<double> probes;
  int failures = 0;
  for (int i = 0; i < calls; ++i) {
    double start = Now();
    failures += registry::WriteRegistryValue(1, texts::kTgaEditCommandPath, data, registry::kOmitted,
                                             registry::kOmitted, 1) != 1;
    double middle = Now();
    failures += registry::RegistryValueExists(1, texts::kTgaEditCommandPath, 1) != 1;
    double end = Now();
    writes.push_back(middle - start);
    probes.push_back(end - middle);
  }

  const std::string regAdd = "C:\\windows\\system32\\reg.exe add \"HKEY_CURRENT_USER\\" + scratch::Path() +
                             "\\classes\\SystemFileAssociations\\.tga\\Shell\\edit\\Command\" /ve /t REG_SZ /d \"" +
                             command + "\" /f";
  std::vector<double> regs;
  for (int i = 0; i < regRuns; ++i) {
    std::string output;
    DWORD exitCode = 1;
    double start = Now();
    bool started = scratch::Run(regAdd, &output, &exitCode);
    regs.push_back(Now() - start);
    failures += !started || exitCode != 0;
  }
  scratch::End();

  const double write = Median(writes);
  const double probe = Median(probes);
  const double reg = Median(regs);
  std::printf("WriteRegistryValue   median %9.1f us over %d calls\n", write * 1e6, calls);
  std::printf("RegistryValueExists  median %9.1f us over %d calls\n", probe * 1e6, calls);
  std::printf("reg add (a process)  median %9.1f us over %d runs\n", reg * 1e6, regRuns);
  std::printf("reg add / write      %9.0f x\n", reg / write);
  std::printf("reg add / probe      %9.0f x\n", reg / probe);
  if (failures) std::printf("FAILED calls: %d\n", failures);
  return failures ? 1 : 0;
}
