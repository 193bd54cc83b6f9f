#include "BaseCore/Rect2d.h"

namespace Math {

double Rect2d::width() const { return right - left; }

double Rect2d::height() const { return top - bottom; }

} // namespace Math
