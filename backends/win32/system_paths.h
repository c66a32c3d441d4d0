// What the entry points of the game and the tools on Windows need from the
// system besides the window: the program's folder (img/ is looked for there
// when it is not in the current directory), UTF-8 from the system's UTF-16,
// the arguments in UTF-8, and standard output that writes the bytes it is
// given.
#pragma once

#include <string>

namespace win32 {

// UTF-8, separated by '/', ending in '/'; empty when the system cannot say.
// Whatever script the folder is named in (C:\Users\Ōta\ゲーム\velkari), the
// name survives: it is read through the wide-character API.
std::string ProgramFolder();

// UTF-16 to UTF-8, for the file names and texts the system hands over.
std::string Utf8FromWide(const wchar_t* text);

// Standard input, output and error in binary mode: a line ends in "\n" alone,
// and the tools read and print the same bytes as on Linux.
void BinaryStandardStreams();

// Routes the program's one-line reports (a picture that does not load, no sound
// device) to the debugger's output and, where the program has one (started
// from a console, or with its error output redirected), to standard error.
void ReportToDebuggerAndStandardError();

// Replaces the arguments main was given (in the ANSI code page, where a name
// in another script turns into question marks) with the command line's own
// UTF-16 arguments as UTF-8, which is how the tools and the game read file
// names and texts.
void Utf8Arguments(int* argc, char*** argv);

}  // namespace win32
