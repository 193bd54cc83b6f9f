#include "DecimalText.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

// The fast path's values: normal doubles c * 2^q with q from -152 (about 1e-30) to 0 (below 2^53);
// their decimal exponents need the powers 10^0 to 10^46.
constexpr int kLowestQ = -152;
constexpr int kPowers = 48;

int floorLog2Pow10(int e) { return (e * 1741647) >> 19; }
int floorLog10Pow2(int e) { return (e * 1262611) >> 22; }
int floorLog10ThreeQuartersPow2(int e) { return (e * 1262611 - 524031) >> 22; }

// 10^j scaled into [2^127, 2^128), cut to an integer and one added: never below the exact value.
std::array<u128, kPowers> makePowers() {
  std::array<u128, kPowers> powers{};
  std::vector<std::uint32_t> digits{1}; // 10^j, least significant 32 bits first
  for (int j = 0; j < kPowers; ++j) {
    int bits = 32 * static_cast<int>(digits.size() - 1);
    for (std::uint32_t top = digits.back(); top; top >>= 1)
      ++bits;
    u128 g = 0;
    // The 128 bits from the highest one down, then the cut.
    for (int b = bits - 1; b >= bits - 128; --b) {
      const bool one = b >= 0 && (digits[static_cast<std::size_t>(b / 32)] >> (b % 32) & 1u);
      g = (g << 1) | static_cast<u128>(one);
    }
    powers[static_cast<std::size_t>(j)] = g + 1;
    std::uint64_t carry = 0;
    for (std::uint32_t& d : digits) {
      const std::uint64_t t = std::uint64_t(d) * 10 + carry;
      d = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    if (carry)
      digits.push_back(static_cast<std::uint32_t>(carry));
  }
  return powers;
}

// floor(g * cp / 2^128), its lowest bit set when the cut dropped anything (the one added to g
// aside): rounding to odd keeps the comparisons with the interval's bounds exact.
u64 roundToOdd(u128 g, u64 cp) {
  const u128 low = static_cast<u128>(static_cast<u64>(g)) * cp;
  const u128 high = static_cast<u128>(static_cast<u64>(g >> 64)) * cp;
  const u128 z = high + (low >> 64);
  return static_cast<u64>(z >> 64) | static_cast<u64>(static_cast<u64>(z) > 1);
}

struct Decimal {
  u64 digits;
  int exponent; // the value is digits * 10^exponent
};

// The shortest digits of c * 2^q that read back as it, the nearest of them on a choice.
Decimal shortestDigits(u64 c, int q, bool lowerCloser) {
  // Integers are their own digits.
  if (q <= 0 && q > -53 && (c & ((u64(1) << -q) - 1)) == 0)
    return {c >> -q, 0};
  static const std::array<u128, kPowers> powers = makePowers();
  const bool even = (c & 1) == 0;
  const u64 cbl = 4 * c - 2 + static_cast<u64>(lowerCloser);
  const u64 cb = 4 * c;
  const u64 cbr = 4 * c + 2;
  const int k = lowerCloser ? floorLog10ThreeQuartersPow2(q) : floorLog10Pow2(q);
  const int h = q + floorLog2Pow10(-k) + 1;
  const u128 g = powers[static_cast<std::size_t>(-k)];
  const u64 vbl = roundToOdd(g, cbl << h);
  const u64 vb = roundToOdd(g, cb << h);
  const u64 vbr = roundToOdd(g, cbr << h);
  const u64 lower = vbl + static_cast<u64>(!even);
  const u64 upper = vbr - static_cast<u64>(!even);
  const u64 s = vb / 4;
  if (s >= 10) {
    const u64 sp = s / 10;
    const bool upInside = lower <= 40 * sp;
    const bool wpInside = 40 * sp + 40 <= upper;
    if (upInside != wpInside)
      return {sp + static_cast<u64>(wpInside), k + 1};
  }
  const bool uInside = lower <= 4 * s;
  const bool wInside = 4 * s + 4 <= upper;
  if (uInside != wInside)
    return {s + static_cast<u64>(wInside), k};
  const u64 mid = 4 * s + 2;
  const bool up = vb > mid || (vb == mid && (s & 1) != 0);
  return {s + static_cast<u64>(up), k};
}

constexpr std::array<u64, 20> kTens = [] {
  std::array<u64, 20> tens{};
  u64 ten = 1;
  for (u64& t : tens) {
    t = ten;
    ten *= 10;
  }
  return tens;
}();

// Of v > 0: 1233 / 4096 is just above log10(2), so t is the count less one or the count itself.
int digitCount(u64 v) {
  const int bits = 64 - __builtin_clzll(v);
  const int t = (bits * 1233) >> 12;
  return t + static_cast<int>(v >= kTens[static_cast<std::size_t>(t)]);
}

// x below 10^8 as eight ASCII digits, the most significant first in memory: the halves, quarters
// and eighths split off in every lane of the word at once (each split a multiply by a reciprocal).
u64 eightDigits(u64 x) {
  const u64 halves = x + (0x100000000 - 10000) * ((x * 109951163) >> 40);
  const u64 quarters = halves + (0x10000 - 100) * (((halves * 10486) >> 20) & 0x0000007F0000007Full);
  const u64 eighths = quarters + (0x100 - 10) * (((quarters * 103) >> 10) & 0x000F000F000F000Full);
  return __builtin_bswap64(eighths) + 0x3030303030303030ull;
}

// The last `count` (1 to 8) of x's eight digits at p; the eight bytes after them are scratch.
void putDigits(char* p, u64 x, int count) {
  const u64 text = eightDigits(x) >> (8 * (8 - count));
  std::memcpy(p, &text, sizeof text);
}

// The digits of v, n of them, at p, in runs of eight from the end; the caller's room (kRoom)
// takes the up to seven scratch bytes past the first run, which later runs or text overwrite.
void writeDigits(char* p, u64 v, int n) {
  constexpr u64 kEight = 100000000;
  if (n <= 8)
    return putDigits(p, v, n);
  const u64 low = v % kEight;
  v /= kEight;
  if (n <= 16) {
    putDigits(p, v, n - 8);
  } else {
    putDigits(p, v / kEight, n - 16);
    putDigits(p + n - 16, v % kEight, 8);
  }
  putDigits(p + n - 8, low, 8);
}

// Digits written one place on from p: the first `whole` of them back one place and the point
// after them, the rest where they are; a short whole part in one word.
void movePointIn(char* p, int whole) {
  if (whole >= 7) {
    std::memmove(p, p + 1, static_cast<std::size_t>(whole));
    p[whole] = '.';
    return;
  }
  u64 digits = 0;
  u64 after = 0;
  std::memcpy(&digits, p + 1, sizeof digits);
  std::memcpy(&after, p, sizeof after);
  const u64 wholeMask = (u64(1) << (8 * whole)) - 1;
  const u64 pointAndWhole = (u64(1) << (8 * whole + 8)) - 1;
  const u64 merged = (digits & wholeMask) | (u64('.') << (8 * whole)) | (after & ~pointAndWhole);
  std::memcpy(p, &merged, sizeof merged);
}

char* spell(char* p, Decimal d) {
  while (d.digits % 10 == 0) {
    d.digits /= 10;
    ++d.exponent;
  }
  const int n = digitCount(d.digits);
  const int e = d.exponent;
  const int scientificExponent = n - 1 + e;
  const int magnitude = scientificExponent < 0 ? -scientificExponent : scientificExponent;
  const int scientific = n + (n > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
  const int fixed = e >= 0 ? n + e : (n > -e ? n + 1 : 2 - e);
  if (fixed <= scientific) {
    if (e >= 0) {
      writeDigits(p, d.digits, n);
      std::memset(p + n, '0', static_cast<std::size_t>(e));
      return p + n + e;
    }
    if (n > -e) {
      // The digits one place on, then the (short) whole part back in front of the point.
      writeDigits(p + 1, d.digits, n);
      movePointIn(p, n + e);
      return p + n + 1;
    }
    p[0] = '0';
    p[1] = '.';
    for (int z = 0; z < -e - n; z += 8)
      std::memcpy(p + 2 + z, "00000000", 8);
    writeDigits(p + 2 - e - n, d.digits, n);
    return p + 2 - e;
  }
  writeDigits(p + 1, d.digits, n);
  p[0] = p[1];
  char* end = p + 1;
  if (n > 1) {
    p[1] = '.';
    end = p + n + 1;
  }
  *end++ = 'e';
  *end++ = scientificExponent < 0 ? '-' : '+';
  if (magnitude >= 100)
    *end++ = static_cast<char>('0' + magnitude / 100);
  *end++ = static_cast<char>('0' + magnitude / 10 % 10);
  *end++ = static_cast<char>('0' + magnitude % 10);
  return end;
}

} // namespace

char* DecimalText::shortest(char* p, double v) {
  u64 bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  const int biased = static_cast<int>(bits >> 52 & 0x7ff);
  const int q = biased - 1075;
  if (biased == 0 || q < kLowestQ || q > 0)
    return std::to_chars(p, p + kRoom, v).ptr;
  if (bits >> 63)
    *p++ = '-';
  const u64 fraction = bits & ((u64(1) << 52) - 1);
  return spell(p, shortestDigits(fraction | (u64(1) << 52), q, fraction == 0 && biased > 1));
}
