// The folder velkari-bench runs from, where the build puts img/ beside it,
// for the benchmarks that start the game's own loading of the pictures.
#pragma once

#include <unistd.h>

#include <string>

namespace bench {

inline std::string ProgramDir() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  std::string path(buf, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace bench
