/* The one string function the kernel choice uses (one_kernel_variant.cpp),
 * for the browser port, which links no C library. */
#ifndef VELMARK_WEB_STRING_H
#define VELMARK_WEB_STRING_H

static inline int strcmp(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

#endif
