#include "ui/VectorUnit.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace erp::ui {

#if defined(__x86_64__) || defined(__i386__)
namespace {
__attribute__((target("avx"))) void ZeroUpperHalves() { _mm256_zeroupper(); }
}  // namespace

void ResetVectorUnitState() {
  if (__builtin_cpu_supports("avx")) ZeroUpperHalves();
}
#else
void ResetVectorUnitState() {}
#endif

}  // namespace erp::ui
