#pragma once
// The shortest decimal text that reads back as the same double, spelled as std::to_chars spells
// it without a format: the fewest significant digits, the nearest such number to the value, fixed
// or scientific notation whichever is shorter (fixed on a tie), "e+05"-style exponents. The same
// bytes as std::to_chars, several times faster for the numbers matrices hold: finite values from
// 1e-30 up to 2^53 in size go through an exact shortest-digits search with one product by a
// 128-bit power of ten (a second one only when the value lies about halfway between two
// candidates), digits written sixteen at a time; every other value goes to std::to_chars itself.
namespace DecimalText {

// The most characters `shortest` writes: sign, 17 digits, point, "e-308".
constexpr int kRoom = 32;

// Writes v at p, which has room for kRoom characters, and returns the end. The bytes after the end,
// up to p + kRoom, may be overwritten.
char* shortest(char* p, double v);

} // namespace DecimalText
