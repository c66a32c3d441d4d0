#include "diag/diag.h"

#include <atomic>
#include <cstdio>

namespace {

void WriteToStandardError(const char* utf8Line) {
  // One call, so that lines from two threads never interleave.
  std::fprintf(stderr, "%s\n", utf8Line);
  std::fflush(stderr);
}

std::atomic<DiagnosticSink> currentSink{&WriteToStandardError};

}  // namespace

void SetDiagnosticSink(DiagnosticSink sink) {
  currentSink.store(sink ? sink : &WriteToStandardError);
}

void Diagnostic(const char* utf8Line) {
  if (utf8Line) currentSink.load()(utf8Line);
}
