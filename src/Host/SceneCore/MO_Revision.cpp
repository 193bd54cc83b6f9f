#include "SceneCore/MO_Revision.h"

#include "SceneCore/UT_ThreadLocal.h"

namespace {
UT_THREAD_LOCAL std::int64_t g_revision = 1;
}

std::int64_t MO_Revision::current() { return g_revision; }
std::int64_t MO_Revision::bump() { return ++g_revision; }
