#include "core/generate/Random.h"

#include "core/platform/TextTrim.h"

#include <chrono>
#include <random>

namespace fw {

void RandomStream::Seed(uint64_t seed) {
  uint64_t x = seed;
  for (uint64_t& word : s_) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    word = z ^ (z >> 31);
  }
}

uint64_t FreshSeed() {
  uint64_t seed = 0;
  try {
    std::random_device device;
    seed = (uint64_t(device()) << 32) ^ device();
  } catch (...) {
    // No entropy source: the clock alone still differs from start to start.
  }
  seed ^= uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
  return seed == 0 ? 1 : seed;
}

RandomStream& ProgramRandom() {
  static RandomStream stream(FreshSeed());
  return stream;
}

void SeedRandom(uint64_t seed) { ProgramRandom().Seed(seed == 0 ? FreshSeed() : seed); }

double RandomReal() { return ProgramRandom().Real(); }
uint32_t RandomBelow(uint32_t n) { return ProgramRandom().Below(n); }

}  // namespace fw
