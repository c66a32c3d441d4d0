#include "common/new_file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#endif

namespace common {

namespace {

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string SystemReason(DWORD code) {
  switch (code) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "File exists";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "No space left on device";
    case ERROR_ACCESS_DENIED:
      return "Permission denied";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
      return "No such file or directory";
    default:
      return "system error " + std::to_string(code);
  }
}
#else
std::string SystemReason(int code) {
  return std::strerror(code);
}
#endif

class Recording final : public replay::RecordingFile {
 public:
  bool Append(const char* data, size_t size, std::string* error) override {
    return file.Append(data, size, error);
  }
  bool Close(std::string* error) override { return file.Close(error); }
  NewFile file;
};

}  // namespace

NewFile::~NewFile() {
  std::string ignored;
  Close(&ignored);
}

#ifdef _WIN32

bool NewFile::Create(const std::string& path, std::string* error) {
  std::string ignored;
  Close(&ignored);
  // CREATE_NEW fails on any name that exists; FILE_FLAG_OPEN_REPARSE_POINT
  // keeps a link from being followed.
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = SystemReason(GetLastError());
    return false;
  }
  handle_ = h;
  size_ = 0;
  return true;
}

bool NewFile::IsOpen() const {
  return handle_ != nullptr;
}

bool NewFile::WriteAll(uint64_t offset, const void* data, size_t size, std::string* error) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD wrote = 0;
    if (!WriteFile(static_cast<HANDLE>(handle_), p, chunk, &wrote, &at) || wrote == 0) {
      *error = SystemReason(wrote == 0 && GetLastError() == 0 ? ERROR_DISK_FULL : GetLastError());
      return false;
    }
    p += wrote;
    size -= wrote;
    offset += wrote;
  }
  return true;
}

bool NewFile::Append(const void* data, size_t size, std::string* error) {
  if (!handle_) {
    *error = "the file is not open";
    return false;
  }
  if (WriteAll(size_, data, size, error)) {
    size_ += size;
    return true;
  }
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(size_);
  if (SetFilePointerEx(static_cast<HANDLE>(handle_), at, nullptr, FILE_BEGIN))
    SetEndOfFile(static_cast<HANDLE>(handle_));
  return false;
}

bool NewFile::Close(std::string* error) {
  if (!handle_) return true;
  const bool ok = CloseHandle(static_cast<HANDLE>(handle_)) != 0;
  if (!ok) *error = SystemReason(GetLastError());
  handle_ = nullptr;
  return ok;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  *error = SystemReason(GetLastError());
  return false;
}

void RemoveFile(const std::string& path) {
  DeleteFileW(Wide(path).c_str());
}

#else

bool NewFile::Create(const std::string& path, std::string* error) {
  std::string ignored;
  Close(&ignored);
  const int fd =
      open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    *error = SystemReason(errno);
    return false;
  }
  fd_ = fd;
  size_ = 0;
  return true;
}

bool NewFile::IsOpen() const {
  return fd_ >= 0;
}

bool NewFile::WriteAll(uint64_t offset, const void* data, size_t size, std::string* error) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = pwrite(fd_, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = SystemReason(n == 0 ? ENOSPC : errno);
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

bool NewFile::Append(const void* data, size_t size, std::string* error) {
  if (fd_ < 0) {
    *error = "the file is not open";
    return false;
  }
  if (WriteAll(size_, data, size, error)) {
    size_ += size;
    return true;
  }
  // Whatever part of it went out is taken back: the file ends where the last
  // whole write ended.
  while (ftruncate(fd_, static_cast<off_t>(size_)) != 0 && errno == EINTR) {
  }
  return false;
}

bool NewFile::Close(std::string* error) {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0 && errno != EINTR) {
    *error = SystemReason(errno);
    return false;
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string* error) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  *error = SystemReason(errno);
  return false;
}

void RemoveFile(const std::string& path) {
  unlink(path.c_str());
}

#endif

bool NewFile::WriteAt(uint64_t offset, const void* data, size_t size, std::string* error) {
  if (!IsOpen()) {
    *error = "the file is not open";
    return false;
  }
  if (offset + size > size_) {
    *error = "a write past the file's end";
    return false;
  }
  return WriteAll(offset, data, size, error);
}

std::unique_ptr<replay::RecordingFile> MakeRecordingFile(const std::string& path,
                                                         std::string* error) {
  auto recording = std::make_unique<Recording>();
  if (!recording->file.Create(path, error)) return nullptr;
  return recording;
}

}  // namespace common
