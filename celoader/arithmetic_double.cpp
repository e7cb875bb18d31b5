// coredll's arithmetic helpers as the loader's double gives them: exact IEEE
// single and double arithmetic, rounded to nearest even, in Thumb code as a
// system DLL's may be. This file is compiled for soft-float, so each
// operation here is the toolchain's own IEEE routine. Every call is
// counted, so that a run can show how the image's arithmetic reached the
// platform.
#include "arithmetic_double.h"

#include "gcc/arithmetic_helpers.h"

namespace ce_loader {
namespace {

HelperCount counts[] = {{"__adds", 0}, {"__subs", 0}, {"__muls", 0}, {"__divs", 0},  {"__addd", 0},
                        {"__subd", 0}, {"__muld", 0}, {"__divd", 0}, {"__stod", 0},  {"__dtos", 0},
                        {"__itos", 0}, {"__itod", 0}, {"__i64tos", 0}, {"__dtoi", 0}};
enum { kAdds, kSubs, kMuls, kDivs, kAddd, kSubd, kMuld, kDivd, kStod, kDtos, kItos, kItod, kI64tos, kDtoi };

template <typename T>
T counted(int which, T value)
{
    ++counts[which].calls;
    return value;
}

}  // namespace

const HelperCount *helper_counts(std::size_t &count)
{
    count = sizeof counts / sizeof counts[0];
    return counts;
}

}  // namespace ce_loader

using ce_loader::counted;

extern "C" {

float __adds(float a, float b) { return counted(ce_loader::kAdds, a + b); }
float __subs(float a, float b) { return counted(ce_loader::kSubs, a - b); }
float __muls(float a, float b) { return counted(ce_loader::kMuls, a * b); }
float __divs(float a, float b) { return counted(ce_loader::kDivs, a / b); }
double __addd(double a, double b) { return counted(ce_loader::kAddd, a + b); }
double __subd(double a, double b) { return counted(ce_loader::kSubd, a - b); }
double __muld(double a, double b) { return counted(ce_loader::kMuld, a * b); }
double __divd(double a, double b) { return counted(ce_loader::kDivd, a / b); }
double __stod(float value) { return counted(ce_loader::kStod, static_cast<double>(value)); }
float __dtos(double value) { return counted(ce_loader::kDtos, static_cast<float>(value)); }
float __itos(int value) { return counted(ce_loader::kItos, static_cast<float>(value)); }
double __itod(int value) { return counted(ce_loader::kItod, static_cast<double>(value)); }
float __i64tos(long long value) { return counted(ce_loader::kI64tos, static_cast<float>(value)); }

// Toward zero, as C's conversion; the image converts only values it has
// checked to lie in range, and outside it the platform's result is not
// known, so this gives the nearest int rather than undefined behaviour.
int __dtoi(double value)
{
    int result = value >= 2147483647.0 ? 2147483647 : value <= -2147483648.0 ? -2147483647 - 1
                 : value == value                    ? static_cast<int>(value)
                                                     : 0;
    return counted(ce_loader::kDtoi, result);
}

}  // extern "C"
