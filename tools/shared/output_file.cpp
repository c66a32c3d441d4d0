#include "shared/output_file.h"

#include <filesystem>
#include <random>
#include <system_error>

#include "diag/quote.h"
#include "gfx/utf8_path.h"

OutputFile::~OutputFile() {
  if (temp_.empty()) return;
  std::string ignored;
  file_.Close(&ignored);
  common::RemoveFile(temp_);
}

bool OutputFile::Open(const std::string& path, std::string* error) {
  if (path.empty()) {
    *error = "no file name";
    return false;
  }
  // Beside the target, so that the rename stays on its file system.
  const size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::random_device seed;
  std::mt19937 pick(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = folder + "." + base + "." + std::to_string(pick() % 1000000) + ".tmp";
    if (file_.Create(temp, error)) {
      temp_ = temp;
      target_ = path;
      return true;
    }
    // Another name is tried only when this one was taken.
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(Utf8Path(temp), ec))) return false;
  }
  return false;
}

bool OutputFile::Write(const void* data, size_t size, std::string* error) {
  return file_.Append(data, size, error);
}

bool OutputFile::WriteAt(uint64_t offset, const void* data, size_t size, std::string* error) {
  return file_.WriteAt(offset, data, size, error);
}

bool OutputFile::Commit(std::string* error) {
  if (temp_.empty()) {
    *error = "the file is not open";
    return false;
  }
  const bool ok = file_.Close(error) && common::RenameOver(temp_, target_, error);
  if (!ok) common::RemoveFile(temp_);
  temp_.clear();
  return ok;
}

bool WriteOutputFile(const std::string& path, const void* data, size_t size, std::string* error) {
  OutputFile out;
  return out.Open(path, error) && out.Write(data, size, error) && out.Commit(error);
}

std::string RefuseOutputs(const std::vector<std::string>& inputs,
                          const std::vector<std::string>& outputs) {
  // Two names are the same file when they reach the same file now, or, for a
  // file that does not exist yet, when they are spelled the same.
  auto same = [](const std::string& a, const std::string& b) {
    std::error_code ec;
    if (std::filesystem::equivalent(Utf8Path(a), Utf8Path(b), ec)) return true;
    const std::filesystem::path pa = std::filesystem::absolute(Utf8Path(a), ec).lexically_normal();
    const std::filesystem::path pb = std::filesystem::absolute(Utf8Path(b), ec).lexically_normal();
    return pa == pb;
  };
  for (size_t k = 0; k < outputs.size(); ++k) {
    for (const std::string& in : inputs)
      if (same(outputs[k], in))
        return "the output '" + QuotePath(outputs[k]) + "' is the input '" + QuotePath(in) +
               "': an output never replaces what the run reads";
    for (size_t j = 0; j < k; ++j)
      if (same(outputs[k], outputs[j]))
        return "the output '" + QuotePath(outputs[k]) + "' is named twice";
  }
  return "";
}
