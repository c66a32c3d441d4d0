#include "diag/diag.h"

#include <atomic>
#include <cstdio>

namespace {

void WriteToStandardError(const char* utf8Line) {
  // One call, so that lines from two threads never interleave.
  std::fprintf(stderr, "%s\n", utf8Line);
  std::fflush(stderr);
}

std::atomic<DiagnosticSink> gSink{&WriteToStandardError};

}  // namespace

void SetDiagnosticSink(DiagnosticSink sink) {
  gSink.store(sink ? sink : &WriteToStandardError);
}

void Diagnostic(const char* utf8Line) {
  if (utf8Line) gSink.load()(utf8Line);
}
