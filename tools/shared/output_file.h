// The files the tools write (velkari-replay's frames and sound, velkari-mml
// render's WAV): written into a new temporary file beside the target, which
// is renamed over the target only once every byte is written and the file
// closed. A failed run leaves the target as it was, a name planted at the
// target is replaced rather than followed, and an output that is one of the
// run's inputs is refused before anything runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/new_file.h"

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // a file not committed is removed

  // Makes the temporary file for `path` (UTF-8). False with the reason.
  bool Open(const std::string& path, std::string* error);
  bool Write(const void* data, size_t size, std::string* error);
  // Writes over bytes already written.
  bool WriteAt(uint64_t offset, const void* data, size_t size, std::string* error);
  // The bytes written so far.
  uint64_t Size() const { return file_.Size(); }
  // Closes the file and renames it to the target. False with the reason (the
  // temporary file is then removed).
  bool Commit(std::string* error);

 private:
  common::NewFile file_;
  std::string temp_;
  std::string target_;
};

// The whole of an output written at once.
bool WriteOutputFile(const std::string& path, const void* data, size_t size, std::string* error);

// Why the outputs cannot be written as asked: one of them names the same file
// as an input (through any name or link), or two name the same file. Empty
// when they can. The message quotes the name.
std::string RefuseOutputs(const std::vector<std::string>& inputs,
                          const std::vector<std::string>& outputs);
