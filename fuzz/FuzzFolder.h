// A private folder for a fuzz target's files, in memory where the system offers one.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

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

// The whole file as bytes; empty when it cannot be read.
inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace fuzz
