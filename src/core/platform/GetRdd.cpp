#include "core/platform/GetRdd.h"

#include <cstdio>

#include "core/platform/DbfVersion.h"

namespace fw {

std::string GetRDD(const std::string& file) {
  if (file.empty()) return {};
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return {};
  int byte = std::fgetc(f);
  std::fclose(f);
  return byte == EOF ? std::string() : DriverOfVersion(uint8_t(byte));
}

}  // namespace fw
