#include "gfx/input_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "gfx/utf8_path.h"

std::string DescribeInputFault(InputFault fault, uint64_t maxBytes) {
  switch (fault) {
    case InputFault::NONE:
      return "";
    case InputFault::NOT_FOUND:
      return "no such file";
    case InputFault::FOLDER:
      return "is a folder";
    case InputFault::NOT_REGULAR:
      return "is not a regular file (a FIFO, a device or a socket)";
    case InputFault::UNREADABLE:
      return "cannot be read";
    case InputFault::TOO_LARGE:
      return "holds more than " + std::to_string(maxBytes) + " bytes (the most it may)";
  }
  return "";
}

InputFault CheckInputFile(const std::string& path) {
  if (path.empty()) return InputFault::NOT_FOUND;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(Utf8Path(path), ec);
  switch (status.type()) {
    case std::filesystem::file_type::regular:
      return InputFault::NONE;
    case std::filesystem::file_type::not_found:
      return InputFault::NOT_FOUND;
    case std::filesystem::file_type::directory:
      return InputFault::FOLDER;
    case std::filesystem::file_type::none:
    case std::filesystem::file_type::unknown:
      // A path that cannot be looked at (no permission on a folder).
      return InputFault::UNREADABLE;
    default:
      return InputFault::NOT_REGULAR;
  }
}

InputFault ReadInputFile(const std::string& path, uint64_t maxBytes, std::string* out) {
  out->clear();
  if (const InputFault fault = CheckInputFile(path); fault != InputFault::NONE) return fault;
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(Utf8Path(path), ec);
  if (!ec) {
    if (size > maxBytes) return InputFault::TOO_LARGE;
    out->reserve(static_cast<size_t>(size));
  }
  std::ifstream in(Utf8Path(path), std::ios::binary);
  if (!in) return InputFault::UNREADABLE;
  // Read in pieces up to one byte past the cap: a file that grows while it
  // is read is still cut off there.
  char chunk[65536];
  while (in) {
    in.read(chunk, sizeof chunk);
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    if (out->size() + static_cast<uint64_t>(got) > maxBytes) {
      out->clear();
      out->shrink_to_fit();
      return InputFault::TOO_LARGE;
    }
    out->append(chunk, static_cast<size_t>(got));
  }
  if (in.bad()) {
    out->clear();
    return InputFault::UNREADABLE;
  }
  return InputFault::NONE;
}
