// Tiny shared routines: beep, swaps, clamped truncation, rounding, byte fill
// and compare, and the field buffers the file readers split records into.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// A record split into fields: up to 64 texts (see SplitFields).
using TFields = std::array<std::string, 64>;

struct CommonState {
  // The three field buffers shared by the file readers.
  TFields fields1, fields2, fields3;
};
extern CommonState g_common;
void Common_Reset();

// The platform's default beep; operations call it to refuse an input.
void Beep();

void SwapInt(int& a, int& b);
void SwapReal(double& a, double& b);
// Exchanges a and b when a > b.
void OrderReals(double& a, double& b);

// x truncated toward zero after clamping to +-2147483647; |x| < 1 and NaN give 0.
int TruncInt(double x);
// x rounded to the nearest integer, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2), clamped to +-2147483647; NaN gives 0.
int RoundIntSlow(double x);
inline int RoundInt(double x) {
  // Pixel positions: adding and taking away 1.5 * 2^52 rounds to the
  // nearest integer, halves to even, in the default rounding mode, without
  // a library call. The rest (large, NaN) takes the careful way.
  if (x > -1e9 && x < 1e9) {
    constexpr double kMagic = 6755399441055744.0;
    return static_cast<int>((x + kMagic) - kMagic);
  }
  return RoundIntSlow(x);
}

void FillBytes(void* buffer, std::uint8_t value, std::size_t count);
// -1, 0 or 1 by the first differing byte, compared unsigned.
int CompareBytes(const void* a, const void* b, std::size_t count);
