#pragma once

// On x86-64 a function marked with this is built twice and the better one chosen when the
// program loads: with AVX2 its loops take twice the samples an instruction (the same
// arithmetic, so the same bytes on every machine).
#if defined(__x86_64__) && defined(__GNUC__)
#define PELLICOR_SAMPLE_LOOP_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define PELLICOR_SAMPLE_LOOP_CLONES
#endif
