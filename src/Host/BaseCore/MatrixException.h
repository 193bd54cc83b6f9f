#pragma once

// Thrown by Matrix4x4::inverse() when the matrix cannot be inverted: its determinant is 0
// or not finite (a zero scale, NaN or infinity among the values). The message names the
// determinant so the log shows which case it was.

#include <stdexcept>
#include <string>

namespace Math {

class MatrixException : public std::runtime_error {
public:
  explicit MatrixException(const std::string& what);
  // Out of line so the type information lives in one library and catches match across modules.
  ~MatrixException() override;
};

} // namespace Math
