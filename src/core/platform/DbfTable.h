#pragma once
namespace fw {
class DbfTable {};
}  // namespace fw
