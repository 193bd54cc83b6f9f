#include "DecimalText.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using u32 = std::uint32_t;
using u64 = std::uint64_t;
__extension__ typedef unsigned __int128 u128;

// The fast path's values: normal doubles c * 2^q with q from -152 (about 1e-30) to 0 (below 2^53).
// Their searches scale by the powers 10^1 to 10^48.
constexpr int kLowestQ = -152;
constexpr int kPowers = 49;

constexpr int floorLog2Pow10(int e) { return (e * 1741647) >> 19; }
constexpr int floorLog10Pow2(int e) { return (e * 1262611) >> 22; }
constexpr int floorLog10ThreeQuartersPow2(int e) { return (e * 1262611 - 524031) >> 22; }

// 10^j scaled into [2^127, 2^128): 5^j shifted up, exact for every j here (5^48 < 2^112), so the
// products below carry no error of the table's own.
constexpr std::array<u128, kPowers> kPowersOfTen = [] {
  std::array<u128, kPowers> powers{};
  u128 five = 1;
  for (u128& power : powers) {
    int bits = 0;
    for (u128 f = five; f; f >>= 1)
      ++bits;
    power = five << (128 - bits);
    five *= 5;
  }
  return powers;
}();

// The search's multiplier shifts, for every exponent of the fast path.
constexpr bool shiftsFit() {
  for (int q = kLowestQ; q <= 0; ++q) {
    const int k = 2 - floorLog10Pow2(q);
    const int beta = q + floorLog2Pow10(k);
    const int kShorter = -floorLog10ThreeQuartersPow2(q);
    const int betaShorter = q + floorLog2Pow10(kShorter);
    // The bounds scale to integers only for q from -2 up (see nearest).
    if (q < -2 && k >= 1 - q)
      return false;
    if (k < 0 || k >= kPowers || beta < 1 || beta > 10 || kShorter < 0 || kShorter >= kPowers || betaShorter < 0 ||
        betaShorter > 10)
      return false;
  }
  return true;
}
static_assert(shiftsFit());

// n * 656 / 2^16 is n / 100 for n up to 1000, and its low 16 bits fall below 656 just when 100
// divides n: checked here for every such n.
constexpr bool hundredthsExact() {
  for (u32 n = 0; n <= 1000; ++n) {
    const u32 m = n * 656;
    if ((m >> 16) != n / 100 || ((m & 0xffff) < 656) != (n % 100 == 0))
      return false;
  }
  return true;
}
static_assert(hundredthsExact());

struct Decimal {
  u64 digits;
  int exponent;      // the value is digits * 10^exponent
  bool mayEndInZero; // false when the search proved the last digit is not 0
};

// The upper 128 bits of x * power (a 192-bit product).
u128 upperProduct(u64 x, u128 power) {
  return static_cast<u128>(x) * static_cast<u64>(power >> 64) +
         ((static_cast<u128>(x) * static_cast<u64>(power)) >> 64);
}

// Of x * power * 2^beta / 2^128, its integer part's lowest bit and whether it is an integer.
struct Parity {
  bool odd;
  bool integer;
};
Parity productParity(u64 x, u128 power, int beta) {
  const u128 low = static_cast<u128>(x) * static_cast<u64>(power);
  const u64 high = x * static_cast<u64>(power >> 64) + static_cast<u64>(low >> 64);
  return {((high >> (64 - beta)) & 1) != 0, ((high << beta) | (static_cast<u64>(low) >> (64 - beta))) == 0};
}

// The shortest digits of c * 2^q (c not a power of two, the value no integer) that read back as
// it, the nearest of them on a choice. One product scales the interval's upper bound by 10^k
// from the table: dropping three digits of it lands in the interval unless the remainder passes
// the interval's width; then the digit after them follows from the remainder's distance to the
// middle, and only an exact hundredth (a tie, perhaps) calls for the value's own product.
// The bounds (2c +- 1) 2^(q-1) times 10^k, kept for an even c, are integers only for k >= 1 - q:
// for q = -1 and -2 here (q = 0 is an integer's), with k = 3, where they are odd multiples of 250
// and 125 and the width is 500 and 250. So a bound never is the remainder that decides, and
// where the remainder is the width only the lower bound's fraction matters.
Decimal nearest(u64 c, int q) {
  const int k = 2 - floorLog10Pow2(q);
  const u128 power = kPowersOfTen[static_cast<std::size_t>(k)];
  const int beta = q + floorLog2Pow10(k);
  const u32 width = static_cast<u32>(static_cast<u64>(power >> 64) >> (63 - beta));
  const u64 top = static_cast<u64>(upperProduct((2 * c + 1) << beta, power) >> 64);

  u64 digits = top / 1000;
  const u32 rest = static_cast<u32>(top - 1000 * digits);
  if (rest < width || (rest == width && productParity(2 * c - 1, power, beta).odd))
    return {digits, 3 - k, true};

  digits *= 10;
  const u32 distance = rest - width / 2 + 50;
  const bool approxOdd = ((distance ^ 50) & 1) != 0;
  const u32 scaled = distance * 656;
  digits += scaled >> 16;
  if ((scaled & 0xffff) < 656) {
    const Parity middle = productParity(2 * c, power, beta);
    if (middle.odd != approxOdd || (middle.integer && (digits & 1) != 0))
      --digits;
  }
  return {digits, 2 - k, false};
}

// The same for 2^52 * 2^q, whose lower neighbour is half as far as the upper one.
Decimal nearestOfPowerOfTwo(int q) {
  const int k = -floorLog10ThreeQuartersPow2(q);
  const int beta = q + floorLog2Pow10(k);
  const u64 power = static_cast<u64>(kPowersOfTen[static_cast<std::size_t>(k)] >> 64);
  // The bounds (never integers for these exponents), as whole units of 10^-k, inside the interval.
  const u64 lower = ((power - (power >> 54)) >> (11 - beta)) + 1;
  const u64 upper = (power + (power >> 53)) >> (11 - beta);
  const u64 tens = upper / 10;
  if (tens * 10 >= lower)
    return {tens, 1 - k, true};
  u64 digits = ((power >> (10 - beta)) + 1) / 2;
  // The one exponent where the value lies halfway between two units: to even.
  if ((digits & 1) != 0 && q == -77)
    --digits;
  else if (digits < lower)
    ++digits;
  return {digits, -k, true};
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

// Divides d by 10 as long as it ends in 0 and returns how often: a multiple of 100 (of 10) is the
// one whose product with the inverse of 25 (of 5) modulo 2^64, turned by two bits (one), stays
// below 2^64 / 100 (/ 10), and that is then the quotient.
int stripZeros(u64& d) {
  constexpr u64 inverse5 = 0xcccccccccccccccdull;
  constexpr u64 inverse25 = inverse5 * inverse5;
  int zeros = 0;
  for (;;) {
    const u64 t = d * inverse25;
    const u64 q = (t >> 2) | (t << 62);
    if (q > ~u64(0) / 100)
      break;
    d = q;
    zeros += 2;
  }
  const u64 t = d * inverse5;
  const u64 q = (t >> 1) | (t << 63);
  if (q <= ~u64(0) / 10) {
    d = q;
    ++zeros;
  }
  return zeros;
}

template <class T> void put(char* p, T bytes) { std::memcpy(p, &bytes, sizeof bytes); }

// d below 10^17 as 24 digits with leading zeros, in three words of eight (the first digit lowest).
struct Words {
  u64 front; // seven zeros and the first of seventeen digits
  u64 middle;
  u64 back;
};

#if defined(__SSE2__)
// The quotients by 100 and by 10 that the vector splits take from 16-bit products: y * 5243 >> 19
// for y below 10^4, z * 6554 >> 16 for z below 100.
constexpr bool smallQuotientsExact() {
  for (u32 y = 0; y < 10000; ++y)
    if ((y * 5243) >> 19 != y / 100 || (y < 100 && (y * 6554) >> 16 != y / 10))
      return false;
  return true;
}
static_assert(smallQuotientsExact());

// Two numbers below 10^8 as eight ASCII digits each, the most significant first in memory, both
// in one vector (a's in the low half): the halves, quarters and eighths split off in every lane
// at once (each split a multiply by a reciprocal), each quotient put in the lower place of its
// lane and the remainder above it.
void twoEightDigits(u64 a, u64 b, u64& aText, u64& bText) {
  const __m128i x = _mm_set_epi64x(static_cast<long long>(b), static_cast<long long>(a));
  const __m128i q4 = _mm_srli_epi64(_mm_mul_epu32(x, _mm_set1_epi64x(109951163)), 40);
  const __m128i r4 = _mm_sub_epi64(x, _mm_mul_epu32(q4, _mm_set1_epi64x(10000)));
  const __m128i halves = _mm_or_si128(q4, _mm_slli_epi64(r4, 32));
  const __m128i q2 = _mm_srli_epi16(_mm_mulhi_epu16(halves, _mm_set1_epi32(5243)), 3);
  const __m128i r2 = _mm_sub_epi32(halves, _mm_mullo_epi16(q2, _mm_set1_epi32(100)));
  const __m128i quarters = _mm_or_si128(q2, _mm_slli_epi32(r2, 16));
  const __m128i q1 = _mm_mulhi_epu16(quarters, _mm_set1_epi16(6554));
  const __m128i r1 = _mm_sub_epi16(quarters, _mm_mullo_epi16(q1, _mm_set1_epi16(10)));
  const __m128i text = _mm_or_si128(_mm_or_si128(q1, _mm_slli_epi16(r1, 8)), _mm_set1_epi8('0'));
  aText = static_cast<u64>(_mm_cvtsi128_si64(text));
  bText = static_cast<u64>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(text, text)));
}
#else
// x below 10^8 as eight ASCII digits, the most significant first in memory: the halves, quarters
// and eighths split off in every lane of the word at once (each split a multiply by a reciprocal).
u64 eightDigits(u64 x) {
  const u64 halves = x + (0x100000000 - 10000) * ((x * 109951163) >> 40);
  const u64 quarters = halves + (0x10000 - 100) * (((halves * 10486) >> 20) & 0x0000007F0000007Full);
  const u64 eighths = quarters + (0x100 - 10) * (((quarters * 103) >> 10) & 0x000F000F000F000Full);
  return __builtin_bswap64(eighths) + 0x3030303030303030ull;
}

void twoEightDigits(u64 a, u64 b, u64& aText, u64& bText) {
  aText = eightDigits(a);
  bText = eightDigits(b);
}
#endif

Words wordsOf(u64 d) {
  constexpr u64 kEight = 100000000;
  const u64 upper = d / kEight;
  const u32 top = static_cast<u32>(upper) / static_cast<u32>(kEight);
  Words w{0x0030303030303030ull | (u64('0') + top) << 56, 0, 0};
  twoEightDigits(upper - u64(top) * kEight, d - upper * kEight, w.middle, w.back);
  return w;
}

// The n digits, the first sixteen as the bytes of two words (the first digit lowest) and the
// seventeenth apart; bytes past the digits are zero.
struct Digits {
  u64 low;
  u64 high;
  u64 last;
};
Digits digitsOf(Words w, int n) {
  if (n == 17)
    return {w.middle << 8 | w.front >> 56, w.back << 8 | w.middle >> 56, w.back >> 56};
  if (n <= 8)
    return {w.back >> (8 * (8 - n)), 0, 0};
  // The last n of the sixteen digits middle, back: both shifted down by 16 - n bytes.
  const int drop = 8 * (16 - n);
  return {(w.middle >> drop) | ((w.back << 1) << (63 - drop)), w.back >> drop, 0};
}

// A word's bytes with a point put in after the first `count` (0 to 7), the last byte pushed out.
u64 withPoint(u64 word, int count) {
  const u64 head = (u64(1) << (8 * count)) - 1;
  return (word & head) | u64('.') << (8 * count) | ((word << 8) & ~(head << 8 | 0xff));
}

// The digits with a point after the first `whole` (1 to 16) of them, at p.
void putPointed(char* p, Digits d, int whole) {
  if (whole < 8) {
    put(p, withPoint(d.low, whole));
    put(p + 8, d.high << 8 | d.low >> 56);
  } else {
    put(p, d.low);
    put(p + 8, whole == 16 ? d.high : withPoint(d.high, whole - 8));
  }
  put(p + 16, (whole == 16 ? u64('.') : d.high >> 56) | d.last << 8);
}

// The text of d * 10^e (d not ending in 0, below 10^17, the value from 1e-31 to 2^53), fixed or
// scientific by length: scientific takes n digits, a point when n > 1 and four for "e-05" (two
// exponent digits in this range), fixed n + e digits for e >= 0, n and a point for a point inside
// the digits, "0." and -e digits below 1.
char* spell(char* p, u64 d, int e) {
  const int n = digitCount(d);
  const int whole = n + e;
  const int point = n > 1 ? 1 : 0;
  const Words words = wordsOf(d);
  // Most entries of a matrix: below 1, 14 to 20 digits after "0.", the text's last sixteen the
  // last two words, the digits before them (if any) from the front word.
  if (e <= -14 && whole <= 0 && -whole <= point + 2) {
    char* end = p + 2 - e;
    put(p + 2, words.front >> ((8 * (24 + e)) & 63));
    put(end - 16, words.middle);
    put(end - 8, words.back);
    put(p, static_cast<std::uint16_t>('0' | '.' << 8));
    return end;
  }
  const Digits digits = digitsOf(words, n);
  if (e < 0) {
    if (whole > 0) {
      putPointed(p, digits, whole);
      return p + n + 1;
    }
    const int zeros = -whole;
    if (zeros <= point + 2) {
      put(p, u64(0x3030303030302e30ull)); // "0.000000"
      put(p + 2 + zeros, digits.low);
      put(p + 10 + zeros, digits.high);
      put(p + 18 + zeros, digits.last);
      return p + 2 + zeros + n;
    }
  } else if (e <= point + 4) {
    put(p, digits.low);
    put(p + 8, digits.high);
    put(p + n, u64(0x3030303030303030ull));
    return p + n + e;
  }
  putPointed(p, digits, 1);
  char* end = p + n + point;
  const int exponent = whole - 1;
  const u32 magnitude = static_cast<u32>(exponent < 0 ? -exponent : exponent);
  const u32 tens = magnitude / 10;
  put(end, u32('e') | u32(exponent < 0 ? '-' : '+') << 8 | (u32('0') + tens) << 16 |
               (u32('0') + magnitude - 10 * tens) << 24);
  return end + 4;
}

} // namespace

char* DecimalText::shortest(char* p, double v) {
  u64 bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  const int q = static_cast<int>(bits >> 52 & 0x7ff) - 1075;
  if (q < kLowestQ || q > 0)
    return std::to_chars(p, p + kRoom, v).ptr;
  *p = '-';
  p += bits >> 63;
  const u64 fraction = bits & ((u64(1) << 52) - 1);
  const u64 c = fraction | (u64(1) << 52);
  Decimal d{};
  // Integers are their own digits: c's lowest one at or above the point (never below 2^-52 c).
  if (__builtin_ctzll(c) >= -q)
    d = {c >> -q, 0, true};
  else if (fraction == 0)
    d = nearestOfPowerOfTwo(q);
  else
    d = nearest(c, q);
  if (d.mayEndInZero)
    d.exponent += stripZeros(d.digits);
  return spell(p, d.digits, d.exponent);
}
