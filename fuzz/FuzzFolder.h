// A private folder for a fuzz target's files, in memory where the system offers one.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

inline std::string PrivateFolder(const char* name) {
  std::error_code ec;
  std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                   ? std::filesystem::path("/dev/shm")
                                   : std::filesystem::temp_directory_path();
  std::string pattern = (base / (std::string(name) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data())) std::abort();
  return pattern + "/";
}

}  // namespace fuzz
