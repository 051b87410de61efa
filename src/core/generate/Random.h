#pragma once
#include <cstdint>
#include <string_view>

#include "core/app/Settings.h"

namespace fw {

// xoshiro256** (Blackman and Vigna): small, fast, and the same sequence on every machine and
// standard library. Ranges are made here with a few lines of our own, never with
// std::uniform_*_distribution, whose results differ between libraries: a fixed seed must give
// the same table everywhere.
class RandomStream {
public:
  RandomStream() { Seed(0); }
  explicit RandomStream(uint64_t seed) { Seed(seed); }

  // The four state words come from splitmix64 on the seed, so any seed (0 included) is usable.
  void Seed(uint64_t seed);

  uint64_t Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
  }

  // A real r with 0 <= r < 1 (53 random bits).
  double Real() { return double(Next() >> 11) * 0x1.0p-53; }

  // A draw below n: the integer part of r * n for r with 32 random bits, so 0 .. n - 1 and
  // never n. n = 0 gives 0.
  uint32_t Below(uint32_t n) { return uint32_t(((Next() >> 32) * uint64_t(n)) >> 32); }

private:
  static uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
  uint64_t s_[4];
};

// The one program-wide random source. SeedRandom(0) takes a fresh seed from the system
// (a different sequence at every start); any other value gives the same sequence every time.
RandomStream& ProgramRandom();
void SeedRandom(uint64_t seed);
uint64_t FreshSeed();

// SeedFromText (the seed a settings text asks for) is in core/app/Settings.h.

// Draws from the program-wide source.
double RandomReal();                // 0 <= r < 1
uint32_t RandomBelow(uint32_t n);   // 0 .. n - 1

}  // namespace fw
