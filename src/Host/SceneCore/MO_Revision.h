#pragma once
// The edit counter. Every edit (attribute value, link, enable flag) takes the next number;
// stored port transformations remember the number they were computed under and are dropped
// when it has moved on, so nothing stale is ever served. There is one counter per thread: a
// scene is read, edited and evaluated on one thread (evaluation on several threads gives each
// its own copy of the scene), and an edit there never disturbs a computation under way on
// another thread.
#include <cstdint>

namespace MO_Revision {
std::int64_t current();
std::int64_t bump();
} // namespace MO_Revision
