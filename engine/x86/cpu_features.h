// What this x86-64 processor can run, as cpuid reports it and as far as
// the operating system saves the wider registers (xgetbv).
#pragma once

struct CpuFeatures {
    bool sse2;
    bool avx2;
    bool avx512;  // AVX-512 Foundation
};

CpuFeatures detect_cpu_features();
