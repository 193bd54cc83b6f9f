#pragma once
// What the processor lacks of what this build was compiled for, said before anything runs into
// an illegal instruction: null when it has everything.

// Compiled for any x86-64, whatever the build's own options, so that the check itself runs.
#if defined(VANTOREL_NEEDS_AVX)
__attribute__((target("arch=x86-64"))) inline const char* missingProcessorFeature() {
  return __builtin_cpu_supports("avx") ? nullptr
                                       : "this build needs a processor with AVX; "
                                         "build it with -DVANTOREL_AVX=OFF for this one";
}
#else
inline const char* missingProcessorFeature() { return nullptr; }
#endif
