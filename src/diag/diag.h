// Diagnostics: the one line the program writes when something it needs is
// missing or broken (a picture that does not load, a sound device that does
// not open or stops). The graphics and sound code call Diagnostic; the entry
// point may route the lines elsewhere with SetDiagnosticSink. Nothing here
// allocates, and any thread may call it.
#pragma once

// Receives one line of UTF-8 text, without its line end.
using DiagnosticSink = void (*)(const char* utf8Line);

// Routes every later line to `sink`; nullptr restores the default, which
// writes the line and a newline to standard error.
void SetDiagnosticSink(DiagnosticSink sink);

// Hands one line to the current sink. A null line is ignored.
void Diagnostic(const char* utf8Line);
