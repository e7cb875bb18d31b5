// A tiny check-and-count helper for the test programs that run under wine,
// which print one line per check and close with "N passed, M failed".
#pragma once

#include <cstdio>
#include <string>

namespace wine_checks {

inline int &passed() { static int n = 0; return n; }
inline int &failed() { static int n = 0; return n; }

inline bool check(bool ok, const std::string &what)
{
    std::printf("%s - %s\n", ok ? "ok" : "FAIL", what.c_str());
    ++(ok ? passed() : failed());
    return ok;
}

inline int finish()
{
    std::printf("%d passed, %d failed\n", passed(), failed());
    std::fflush(stdout);
    return failed() == 0 && passed() > 0 ? 0 : 1;
}

}  // namespace wine_checks
