// The files the program reads from outside, which anyone may have made:
// pictures, key scripts, songs. Only a regular file is read (a folder, a
// FIFO, a device or a socket is refused by its name, before anything is
// opened, so nothing blocks), and never more than a cap: a reader's memory
// and time stay in proportion to what it was meant to hold. Standard
// library only; the name is UTF-8 (utf8_path.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

enum class InputFault : uint8_t {
  NONE,
  NOT_FOUND,    // nothing of that name
  FOLDER,       // a folder
  NOT_REGULAR,  // a FIFO, a device, a socket
  UNREADABLE,   // there, but it cannot be opened or read
  TOO_LARGE,    // more than the cap
};

// What `fault` means in a few words, the cap named: "is a folder", "is not
// a regular file (a FIFO, a device or a socket)", "holds more than 16777216
// bytes (the most it may)".
std::string DescribeInputFault(InputFault fault, uint64_t maxBytes);

// Checks that `path` names a regular file (a symbolic link to one is one);
// NONE when it does.
InputFault CheckInputFile(const std::string& path);

// Reads the whole regular file `path` into *out, at most `maxBytes` bytes:
// NONE, or why not (*out is then empty).
InputFault ReadInputFile(const std::string& path, uint64_t maxBytes, std::string* out);
