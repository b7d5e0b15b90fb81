#include "VectorState.h"

#include <atomic>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define TIRN_X86_STATE 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace {

std::atomic<bool> recording{false};
std::atomic<int> entries{0}, dirty{0}, unknown{0};

#ifdef TIRN_X86_STATE
// Compiled for AVX alone, so that nothing else in the program is; reached only where the
// processor (and the system, which must save the state) supports it.
__attribute__((target("avx"))) void zeroUpper()
{
    _mm256_zeroupper();
}

// XGETBV with ECX=1 returns XINUSE, the state components not in their initial configuration;
// it exists only where CPUID leaf 0DH sub-leaf 1 says so (EAX bit 2), and XGETBV at all only
// where the system enabled XSAVE (CPUID.1:ECX bit 27).
bool canReadInUse()
{
    unsigned a, b, c, d;
    if (__get_cpuid_max(0, nullptr) < 0xD)
        return false;
    if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & (1u << 27)))
        return false;
    __cpuid_count(0xD, 1, a, b, c, d);
    return a & (1u << 2);
}
#endif

} // namespace

void cleanVectorState()
{
#ifdef TIRN_X86_STATE
    if (__builtin_cpu_supports("avx"))
        zeroUpper();
#endif
}

int avxUpperStateInUse()
{
#ifdef TIRN_X86_STATE
    static const bool readable = canReadInUse() && __builtin_cpu_supports("avx");
    if (!readable)
        return -1;
    unsigned lo, hi;
    __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(1u));
    (void)hi;
    return (lo >> 2) & 1u; // bit 2: the upper halves of the YMM registers
#else
    return -1;
#endif
}

void recordVectorState(bool on)
{
    if (on)
        entries = dirty = unknown = 0;
    recording = on;
}

VectorStateLog vectorStateLog()
{
    return VectorStateLog{entries, dirty, unknown};
}

void noteVectorState()
{
    if (!recording.load(std::memory_order_relaxed))
        return;
    const int state = avxUpperStateInUse();
    ++entries;
    if (state < 0)
        ++unknown;
    else if (state > 0)
        ++dirty;
}
