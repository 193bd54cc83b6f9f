#pragma once
// One process-wide edit counter. Every edit (attribute value, link, enable flag) takes the next
// number; stored port transformations remember the number they were computed under and are
// dropped when it has moved on, so nothing stale is ever served.
#include <cstdint>

namespace MO_Revision {
std::int64_t current();
std::int64_t bump();
} // namespace MO_Revision
