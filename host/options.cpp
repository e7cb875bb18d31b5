// The runner's options, parsed by hand: every bad option or value gets one
// line that names it and says what is accepted (see --help).
#include "options.h"

#include <cerrno>
#include <cstdlib>

#include "headline.h"
#include "kernel_choice.h"

namespace velmark {

namespace {

bool parse_count(const std::string &text, int most, int *count)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    errno = 0;
    char *end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > most) {
        return false;
    }
    *count = static_cast<int>(value);
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
    return name == "--runs" || name == "--time" || name == "--output" || name == "--kernels" || name == "--processes" ||
           name == "--copies";
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
            } else if (name == "--as-process") {
                options.as_process = true;
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
            if (!parse_count(value, kMaxRuns, &options.runs)) {
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
        } else if (name == "--processes") {
            if (!parse_count(value, kMaxProcesses, &options.processes)) {
                options.error = "invalid value for --processes: '" + value + "' (a whole number from 1 to " +
                                std::to_string(kMaxProcesses) + ")";
                return options;
            }
            options.processes_given = true;
        } else if (name == "--copies") {
            // How many the system will give is the runner's to say, once it asks.
            options.copies_all = value == "all";
            if (!options.copies_all && !parse_count(value, kMaxCopies, &options.copies)) {
                options.error = "invalid value for --copies: '" + value +
                                "' (a whole number of logical processors from 1, or all)";
                return options;
            }
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
    } else if (options.processes_given && options.copies_at_once()) {
        options.error = "--processes and --copies cannot be used together (each copy is one process)";
    }
    return options;
}

std::string usage_text()
{
    const std::string most = std::to_string(kMaxRuns), least = std::to_string(kMinRunsInBudget);
    return "usage: velmark [--time SECONDS | --runs N] [--processes P | --copies N|all]\n"
           "               [--json] [--output FILE] [--kernels NAME] [-h | --help]\n"
           "\n"
           "Times the LU factorisation and solve of a dense single-precision\n"
           "system of order 100 on two array layouts, exactly as the device does,\n"
           "and repeats that whole run after one warm-up run that is not counted,\n"
           "in P fresh processes one after another (" + std::to_string(kDefaultProcesses) + " by default). Each process's\n"
           "figure is the " + std::string(kHeadlineRule) + ": its runs in blocks of " +
           std::to_string(kHeadlineBlockRuns) + " in the order\n"
           "they ran, each block rated from its runs' mean averaged times. The\n"
           "headline is the mean of the processes' figures with its 95% interval\n"
           "(Student's t), in KFLOPS and as the device shows it in MFlops. The\n"
           "best run, the median, the minimum and the best run's timing table come\n"
           "with it, and what it ran on. The solution of every run is checked, and\n"
           "that of one more, untimed solve in each process; the counter is checked\n"
           "against the wall clock. The machine's state is measured with it: the\n"
           "core's clock (dependent additions), operations per cycle, CPU time\n"
           "against wall time, steal time and the other processors' load; past\n"
           "stated limits the figure is marked not comparable.\n"
           "\n"
           "  --time SECONDS  the counted runs' time, shared by the processes; each\n"
           "                  makes at least " + least + " and at most " + most + " runs (0.1 to 600;\n"
           "                  default " + std::to_string(static_cast<int>(kDefaultBudgetSeconds)) + ")\n"
           "  --runs N        make exactly N runs in each process instead (1 to\n"
           "                  " + most + "); --processes 1 --runs 1 is one run, as the\n"
           "                  device makes. --runs and --time exclude each other\n"
           "  --processes P   measure in P fresh processes (1 to " + std::to_string(kMaxProcesses) + "; default " +
           std::to_string(kDefaultProcesses) + ");\n"
           "                  fewer than 2 give no interval\n"
           "  --copies N|all  measure N copies of the whole measurement at once\n"
           "                  instead, each a process pinned to its own logical\n"
           "                  processor and let go at a barrier, after one copy alone\n"
           "                  on the first: each copy's figure, their sum, the mean\n"
           "                  copy and the scaling efficiency against the one alone\n"
           "                  (all: one per processor this runner may use; default\n"
           "                  1, the measurement alone). Each copy takes the whole time\n"
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
           "     check it, or the headline is no rate), or a process of the\n"
           "     measurement or a copy died, could not be pinned or gave a wrong\n"
           "     solution (no report is then written)\n"
           "  2  a bad option or value, or more copies than the processors this\n"
           "     runner may use\n"
           "  3  the report could not be written\n";
}

}  // namespace velmark
