#include "kernel/Common.h"

#include <cmath>
#include <cstring>
#include <utility>

#include "kernel/Platform.h"

CommonState g_common;

void Common_Reset() { g_common = CommonState{}; }

void Beep() { Platform().Beep(); }

void SwapInt(int& a, int& b) { std::swap(a, b); }
void SwapReal(double& a, double& b) { std::swap(a, b); }
void OrderReals(double& a, double& b) {
  if (a > b) std::swap(a, b);
}

namespace {
constexpr double kIntLimit = 2147483647.0;

int ClampToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= kIntLimit) return 2147483647;
  if (x <= -kIntLimit) return -2147483647;
  return static_cast<int>(x);
}
}  // namespace

int TruncInt(double x) {
  if (!(std::fabs(x) >= 1.0)) return 0;  // also NaN
  return ClampToInt(std::trunc(x));
}

int RoundIntSlow(double x) {
  if (std::isnan(x)) return 0;
  // nearbyint rounds halves to even in the default rounding mode.
  return ClampToInt(std::nearbyint(x));
}

void FillBytes(void* buffer, std::uint8_t value, std::size_t count) {
  if (count) std::memset(buffer, value, count);
}

int CompareBytes(const void* a, const void* b, std::size_t count) {
  if (!count) return 0;
  const int r = std::memcmp(a, b, count);
  return (r > 0) - (r < 0);
}
