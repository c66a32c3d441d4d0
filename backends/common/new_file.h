// New files that cannot be pointed elsewhere: a file made in one step that
// fails when anything already has the name (a symbolic link included, which
// is never followed), and written with every failure reported. The game's
// recording is one; the tools write their outputs into one beside the target
// and rename it into place (tools/shared/output_file.h). POSIX open with
// O_CREAT|O_EXCL|O_NOFOLLOW; Windows CreateFileW with CREATE_NEW.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "app/replay_record.h"

namespace common {

class NewFile {
 public:
  NewFile() = default;
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile();  // closes the file if still open (its faults then go unheard)

  // Makes `path` (UTF-8) for writing. False with the system's reason in
  // *error when the name is taken or the file cannot be made.
  bool Create(const std::string& path, std::string* error);
  bool IsOpen() const;
  // Appends all `size` bytes or none: after a failure the file is cut back to
  // what it held before. The reason in *error.
  bool Append(const void* data, size_t size, std::string* error);
  // Writes over bytes already written (a header made when the length is
  // known).
  bool WriteAt(uint64_t offset, const void* data, size_t size, std::string* error);
  uint64_t Size() const { return size_; }
  // Closes the file, with the system's reason when that fails.
  bool Close(std::string* error);

 private:
  bool WriteAll(uint64_t offset, const void* data, size_t size, std::string* error);
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
  uint64_t size_ = 0;
};

// Renames `from` to `to`, replacing what `to` names (a symbolic link there is
// replaced, not followed). False with the reason in *error.
bool RenameOver(const std::string& from, const std::string& to, std::string* error);
// Removes the file `path`, if it can.
void RemoveFile(const std::string& path);

// velkari --record's file, for StartRecording.
std::unique_ptr<replay::RecordingFile> MakeRecordingFile(const std::string& path,
                                                         std::string* error);

}  // namespace common
