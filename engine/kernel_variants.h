/* Which implementation of the vector kernels runs. Every variant computes
 * each element by exactly the kernel's rule, so the choice changes the
 * speed and never a bit of a result. The plain kernels ("portable") are in
 * every build; x86-64 host builds add "sse2", "avx2" and "avx512", and
 * choose the widest one this processor and its operating system support.
 *
 * Unless a program chooses, the choice is made once, at the first kernel
 * call (or kernels_in_use): from VELMARK_KERNELS when it names a variant
 * this machine can run, else the widest. A program that wants to report a bad
 * VELMARK_KERNELS checks it with choose_kernels first. */
#ifndef VELMARK_KERNEL_VARIANTS_H
#define VELMARK_KERNEL_VARIANTS_H

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KERNELS_CHOSEN = 0,       /* the variant is in use */
    KERNELS_UNKNOWN = 1,      /* no variant has that name in this build */
    KERNELS_UNSUPPORTED = 2   /* this processor or system cannot run it */
};

/* Makes the named variant the one in use, from the next kernel call on.
 * Since every variant gives the same bits, a program may switch between
 * calls (a benchmark comparing them does); not while a kernel runs. */
int choose_kernels(const char *name);

/* The name of the variant in use, choosing it first if nothing has. */
const char *kernels_in_use(void);

/* The variants of this build, in order of width, from 0 to
 * kernel_variant_count() - 1, and whether this machine can run each. */
int kernel_variant_count(void);
const char *kernel_variant_name(int index);
int kernel_variant_supported(int index);

#ifdef __cplusplus
}
#endif

#endif
