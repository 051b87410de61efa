#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace fw::test {

// A fresh temporary folder, removed with everything in it when the object goes away (also
// when an assertion failed). Path() ends without a separator; File() joins a name to it.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const;
  std::string Folder() const { return path_ + "/"; }  // with the trailing separator

private:
  std::string path_;
};

// Whole-file helpers for byte-exact checks.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);

}  // namespace fw::test
