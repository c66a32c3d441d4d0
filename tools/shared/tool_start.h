// The first thing each tool's main does, on every system the same: on
// Windows binary standard streams (a trace or a WAV is bytes) and the
// arguments as UTF-8; elsewhere a file size limit makes a write fail with its
// reason rather than end the tool.
#pragma once

#ifdef _WIN32
#include "win32/system_paths.h"
#else
#include <csignal>
#endif

inline void StartTool(int* argc, char*** argv) {
#ifdef _WIN32
  win32::BinaryStandardStreams();
  win32::Utf8Arguments(argc, argv);
#else
  (void)argc;
  (void)argv;
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}
