// The runner's options, parsed by hand: every bad option or value gets one
// line that names it and says what is accepted (see --help).
#include "options.h"

#include <cerrno>
#include <cstdlib>

#include "headline.h"
#include "kernel_choice.h"

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

// A plain decimal: digits with at most one point, so that "nan", "inf",
// hexadecimal and exponents never reach strtod.
bool parse_seconds(const std::string &text, double *seconds)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text == ".") {
        return false;
    }
    char *end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(value >= kMinBudgetSeconds && value <= kMaxBudgetSeconds)) {
        return false;
    }
    *seconds = value;
    return true;
}

// Splits "--name=value" into its name and value; other arguments keep their
// whole text as the name.
void split(const std::string &argument, std::string *name, std::string *value, bool *has_value)
{
    std::size_t equals = argument.find('=');
    *has_value = argument.rfind("--", 0) == 0 && equals != std::string::npos;
    *name = *has_value ? argument.substr(0, equals) : argument;
    *value = *has_value ? argument.substr(equals + 1) : std::string();
}

bool takes_value(const std::string &name)
{
    return name == "--runs" || name == "--time" || name == "--output" || name == "--kernels";
}

// Whether -h or --help stands anywhere, not as another option's value:
// help is given whatever else is wrong.
bool asks_for_help(const std::vector<std::string> &arguments)
{
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name, value;
        bool has_value = false;
        split(arguments[i], &name, &value, &has_value);
        if (name == "--help" || name == "-h") return true;
        if (takes_value(name) && !has_value) ++i;
    }
    return false;
}

}  // namespace

Options parse_options(const std::vector<std::string> &arguments)
{
    Options options;
    options.help = asks_for_help(arguments);
    bool runs_given = false, time_given = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name, value;
        bool has_value = false;
        split(arguments[i], &name, &value, &has_value);

        if (!takes_value(name)) {
            if (has_value) {
                options.error = "option " + name + " takes no value (see --help)";
                return options;
            }
            if (name == "--help" || name == "-h") {
                continue;
            } else if (name == "--json") {
                options.json = true;
            } else {
                options.error = "unknown option '" + name + "' (see --help)";
                return options;
            }
            continue;
        }
        if (!has_value) {
            if (i + 1 == arguments.size()) {
                options.error = "option " + name + " needs a value";
                return options;
            }
            value = arguments[++i];
        }
        if (name == "--runs") {
            if (!parse_runs(value, &options.runs)) {
                options.error = "invalid value for --runs: '" + value +
                                "' (a whole number from 1 to " + std::to_string(kMaxRuns) + ")";
                return options;
            }
            runs_given = true;
        } else if (name == "--time") {
            if (!parse_seconds(value, &options.budget_seconds)) {
                options.error = "invalid value for --time: '" + value +
                                "' (seconds, a decimal number from 0.1 to 600)";
                return options;
            }
            time_given = true;
        } else if (name == "--output") {
            if (value.empty()) {
                options.error = "invalid value for --output: '' (a file name)";
                return options;
            }
            options.output = value;
        } else {
            if (value.empty()) {
                options.error = "invalid value for --kernels: '' (one of: " + kernel_variant_list(false) + ")";
                return options;
            }
            options.kernels = value;
        }
    }
    if (runs_given && time_given) {
        options.error = "--runs and --time cannot be used together (a count, or a time budget)";
    }
    return options;
}

std::string usage_text()
{
    const std::string most = std::to_string(kMaxRuns), least = std::to_string(kMinRunsInBudget);
    return "usage: velmark [--time SECONDS | --runs N] [--json] [--output FILE]\n"
           "               [--kernels NAME] [-h | --help]\n"
           "\n"
           "Times the LU factorisation and solve of a dense single-precision\n"
           "system of order 100 on two array layouts, exactly as the device does,\n"
           "and repeats that whole run after one warm-up run that is not counted.\n"
           "The headline is the " + std::string(kHeadlineRule) + ": the runs in blocks of " +
           std::to_string(kHeadlineBlockRuns) + " in the\n"
           "order they ran, each block rated from its runs' mean averaged times,\n"
           "in KFLOPS and as the device shows it in MFlops. The best run, the\n"
           "median, the minimum and the best run's timing table come with it, and\n"
           "what it ran on. The solution of every run is checked, and that of one\n"
           "more, untimed solve; the counter is checked against the wall clock.\n"
           "\n"
           "  --time SECONDS  repeat runs for this long, at least " + least + " and at most\n"
           "                  " + most + " of them (0.1 to 600; default 1)\n"
           "  --runs N        make exactly N runs instead (1 to " + most + "); --runs 1 is\n"
           "                  one run, as the device makes. --runs and --time\n"
           "                  exclude each other\n"
           "  --json          print the report as one JSON object\n"
           "  --output FILE   also write the JSON report to FILE (replaced whole, or\n"
           "                  left as it was when the write fails)\n"
           "  --kernels NAME  run on these vector kernels, one of: " + kernel_variant_list(false) +
           "\n"
           "                  (portable: the plain ones); default: VELMARK_KERNELS, else\n"
           "                  the widest this machine runs\n"
           "  -h, --help      print this text\n"
           "\n"
           "Options that take a value also take it as --option=VALUE.\n"
           "\n"
           "Exit status:\n"
           "  0  the solution of every run and of the untimed solve was right and the\n"
           "     time was a measurement\n"
           "  1  a solution was wrong, or the measurement was not validated (the\n"
           "     counter disagreed with the wall clock, the runs were too short to\n"
           "     check it, or the headline is no rate)\n"
           "  2  a bad option or value\n"
           "  3  the report could not be written\n";
}

}  // namespace velmark
