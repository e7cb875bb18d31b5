#include "process_record.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>

namespace velmark {

namespace {

using nlohmann::json;

// JSON has no NaN or infinity: they travel as null and come back as NaN.
json number(double value)
{
    return std::isfinite(value) ? json(value) : json(nullptr);
}

double number_of(const json &value)
{
    return value.is_number() ? value.get<double>() : std::numeric_limits<double>::quiet_NaN();
}

json state_json(const ProcessState &s)
{
    return json::array({s.wall_seconds, number(s.cpu_seconds), number(s.involuntary_switches),
                        number(s.system_busy_seconds), number(s.system_steal_seconds),
                        number(s.system_total_seconds), number(s.runnable_at_start), number(s.clock_hz_before),
                        number(s.clock_hz_after)});
}

ProcessState state_of(const json &j)
{
    ProcessState s;
    double *fields[] = {&s.wall_seconds,        &s.cpu_seconds,          &s.involuntary_switches,
                        &s.system_busy_seconds, &s.system_steal_seconds, &s.system_total_seconds,
                        &s.runnable_at_start,   &s.clock_hz_before,      &s.clock_hz_after};
    for (std::size_t i = 0; i < 9; ++i) *fields[i] = number_of(j.at(i));
    return s;
}

}  // namespace

std::string process_record_json(const Measurement &m)
{
    json runs = json::array();
    for (const RunRecord &run : m.runs) {
        runs.push_back({run.kflops, number(run.table[3].total_seconds), number(run.table[7].total_seconds),
                        run.solution_digest});
    }
    json table = json::array();
    if (!m.runs.empty()) {
        for (const ColumnTiming &c : m.best_table()) {
            table.push_back({c.layout, c.averaged, number(c.factor_seconds), number(c.solve_seconds),
                             number(c.total_seconds), number(c.kflops)});
        }
    }
    const ProcessSummary process = m.processes.empty() ? ProcessSummary() : m.processes.front();
    json record = {{"runs", runs},
                   {"best_run", m.best_run},
                   {"best_table", table},
                   {"seconds", m.seconds},
                   {"budget_seconds", m.budget_seconds},
                   {"warmup", {m.warmup.kflops, m.warmup.solution_digest}},
                   {"untimed", {m.untimed.digest, number(m.untimed.residual), number(m.untimed.max_error),
                                m.untimed.validated}},
                   {"clock", {m.clock.counter_name, m.clock.reference_name, number(m.clock.counter_step),
                              m.clock.counter_stated_resolution, number(m.clock.reference_step),
                              m.clock.counter_seconds, m.clock.reference_seconds}},
                   {"state", state_json(process.state)}};
    return record.dump() + "\n";
}

bool read_process_record(const std::string &text, Measurement *out, std::string *error)
{
    try {
        const json record = json::parse(text);
        Measurement m;
        for (const json &run : record.at("runs")) {
            RunRecord r;
            r.kflops = run.at(0).get<int>();
            r.table[3].total_seconds = static_cast<float>(number_of(run.at(1)));
            r.table[7].total_seconds = static_cast<float>(number_of(run.at(2)));
            r.solution_digest = run.at(3).get<std::uint64_t>();
            m.runs.push_back(r);
        }
        m.best_run = record.at("best_run").get<int>();
        if (!m.runs.empty()) {
            if (m.best_run < 0 || m.best_run >= static_cast<int>(m.runs.size())) throw std::out_of_range("best_run");
            TimingTable &table = m.runs[m.best_run].table;
            for (std::size_t k = 0; k < table.size(); ++k) {
                const json &c = record.at("best_table").at(k);
                table[k] = {c.at(0).get<int>(), c.at(1).get<bool>(), static_cast<float>(number_of(c.at(2))),
                            static_cast<float>(number_of(c.at(3))), static_cast<float>(number_of(c.at(4))),
                            static_cast<float>(number_of(c.at(5)))};
            }
        }
        m.seconds = record.at("seconds").get<double>();
        m.budget_seconds = record.at("budget_seconds").get<double>();
        m.warmup.kflops = record.at("warmup").at(0).get<int>();
        m.warmup.solution_digest = record.at("warmup").at(1).get<std::uint64_t>();
        m.warmup_right = m.warmup.solution_digest == kKnownRunDigest;
        const json &untimed = record.at("untimed");
        m.untimed = {untimed.at(0).get<std::uint64_t>(), number_of(untimed.at(1)), number_of(untimed.at(2)),
                     untimed.at(3).get<bool>()};
        const json &clock = record.at("clock");
        m.clock.counter_name = clock.at(0).get<std::string>();
        m.clock.reference_name = clock.at(1).get<std::string>();
        m.clock.counter_step = number_of(clock.at(2));
        m.clock.counter_stated_resolution = clock.at(3).get<double>();
        m.clock.reference_step = number_of(clock.at(4));
        m.clock.counter_seconds = clock.at(5).get<double>();
        m.clock.reference_seconds = clock.at(6).get<double>();
        // The verdicts are the runner's to make again from these.
        m.runs_check.runs = static_cast<int>(m.runs.size());
        for (std::size_t i = 0; i < m.runs.size(); ++i) {
            if (m.runs[i].solution_digest != kKnownRunDigest) {
                m.runs_check.first_wrong_run = static_cast<int>(i) + 1;
                m.runs_check.wrong_digest = m.runs[i].solution_digest;
                break;
            }
        }
        m.validated = m.untimed.validated && m.warmup_right && !m.runs.empty() && m.runs_check.first_wrong_run == 0;
        std::vector<RunTiming> timings;
        for (const RunRecord &run : m.runs) {
            timings.push_back({run.kflops, run.table[3].total_seconds, run.table[7].total_seconds});
        }
        ProcessSummary process;
        process.runs = static_cast<int>(m.runs.size());
        process.headline = best_block(timings);
        process.state = state_of(record.at("state"));
        m.headline = process.headline;
        m.processes = {process};
        *out = m;
        return true;
    } catch (const std::exception &e) {
        *error = std::string("its record is unreadable (") + e.what() + ")";
        return false;
    }
}

}  // namespace velmark
