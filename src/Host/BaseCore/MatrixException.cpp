#include "BaseCore/MatrixException.h"

namespace Math {

MatrixException::MatrixException(const std::string& what) : std::runtime_error(what) {}

MatrixException::~MatrixException() = default;

} // namespace Math
