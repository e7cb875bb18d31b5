// Command line of the host runner.
#pragma once

#include <string>
#include <vector>

namespace velmark {

struct Options {
    int runs = 1;
    bool json = false;
    bool help = false;
    std::string error;  // one line naming the bad option or value; empty when fine
};

inline constexpr int kMaxRuns = 1000;

Options parse_options(const std::vector<std::string> &arguments);

const char *usage_text();

}  // namespace velmark
