#include "core/platform/GetRdd.h"

#include <cstdio>

namespace fw {

std::string GetRDD(const std::string& file) {
  if (file.empty()) return {};
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return {};
  int byte = std::fgetc(f);
  std::fclose(f);
  switch (byte) {
    case 0x03:
    case 0x07:
    case 0x83:
    case 0x87:
      return "DBFNTX";
    case 0x8B:
      return "DBFMDX";
    case 0xF5:
      return "DBFCDX";
    default:
      return {};
  }
}

}  // namespace fw
