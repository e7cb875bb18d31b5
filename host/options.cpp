#include "options.h"

#include <cerrno>
#include <cstdlib>

namespace velmark {

namespace {

bool parse_runs(const std::string &text, int *runs)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > kMaxRuns) {
        return false;
    }
    *runs = static_cast<int>(value);
    return true;
}

}  // namespace

Options parse_options(const std::vector<std::string> &arguments)
{
    Options options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string &argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--runs" || argument.rfind("--runs=", 0) == 0) {
            std::string value;
            if (argument == "--runs") {
                if (i + 1 == arguments.size()) {
                    options.error = "option --runs needs a value";
                    return options;
                }
                value = arguments[++i];
            } else {
                value = argument.substr(7);
            }
            if (!parse_runs(value, &options.runs)) {
                options.error = "invalid value for --runs: '" + value +
                                "' (a whole number from 1 to " + std::to_string(kMaxRuns) + ")";
                return options;
            }
        } else {
            options.error = "unknown option '" + argument + "' (see --help)";
            return options;
        }
    }
    return options;
}

const char *usage_text()
{
    return "usage: velmark [--runs N] [--json] [--help]\n"
           "\n"
           "Times the LU factorisation and solve of a dense single-precision\n"
           "system of order 100 on two array layouts, and reports the lower\n"
           "averaged rate in KFLOPS and as the device shows it in MFlops.\n"
           "Then solves the system once more, untimed, and checks the solution.\n"
           "\n"
           "  --runs N   repeat the whole run N times (1 to 1000) and report the\n"
           "             median (the lower middle value for even N), minimum and\n"
           "             maximum result\n"
           "  --json     print the report as one JSON object\n"
           "  --help     print this text\n"
           "\n"
           "Exit status: 0 when the solution was validated, 1 when it was not,\n"
           "2 for a bad option or value.\n";
}

}  // namespace velmark
