// The report as one JSON object on one line (docs/results-format.md).
#include <nlohmann/json.hpp>

#include <cmath>

#include "report.h"

namespace velmark {

namespace {

// A problem as its code and the numbers it follows from.
nlohmann::ordered_json problem_json(const MeasurementProblem &problem)
{
    nlohmann::ordered_json json = {{"code", problem.code}};
    const std::string code = problem.code;
    if (code == kClockCheckTooShort) {
        json["reference_seconds"] = problem.reference_seconds;
        json["counter_step_seconds"] = problem.counter_step_seconds;
        json["reference_step_seconds"] = problem.reference_step_seconds;
    } else if (code == kClocksDisagree) {
        json["counter_seconds"] = problem.counter_seconds;
        json["reference_seconds"] = problem.reference_seconds;
    } else {
        json["headline_kflops"] = problem.headline_kflops;
    }
    return json;
}

// A number, or null where it was not measured (JSON has no NaN).
nlohmann::ordered_json measured(double value)
{
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json process_json(const ProcessSummary &p)
{
    const ProcessState &s = p.state;
    return {{"runs", p.runs},
            {"headline_kflops", p.headline.kflops},
            {"headline_first_run", p.headline.first_run + 1},
            {"headline_runs", p.headline.runs},
            {"wall_seconds", s.wall_seconds},
            {"cpu_seconds", measured(s.cpu_seconds)},
            {"involuntary_switches", measured(s.involuntary_switches)},
            {"system_busy_seconds", measured(s.system_busy_seconds)},
            {"system_steal_seconds", measured(s.system_steal_seconds)},
            {"system_total_seconds", measured(s.system_total_seconds)},
            {"runnable_at_start", measured(s.runnable_at_start)},
            {"clock_hz_before", measured(s.clock_hz_before)},
            {"clock_hz_after", measured(s.clock_hz_after)}};
}

nlohmann::ordered_json machine_json(const Context &context, const MachineState &m)
{
    const FrequencySettings &f = context.frequency;
    auto text_or_null = [](const std::string &t) {
        return t.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(t);
    };
    return {{"clock_hz", measured(m.clock_hz)},
            {"ops_per_cycle", measured(m.ops_per_cycle)},
            {"cpu_share", measured(m.cpu_share)},
            {"involuntary_switches", measured(m.involuntary_switches)},
            {"steal_share", measured(m.steal_share)},
            {"others_busy_share", measured(m.others_busy_share)},
            {"runnable_at_start", measured(m.runnable_at_start)},
            {"clock_after_to_before", measured(m.clock_after_to_before)},
            {"first_third_kflops", measured(m.first_third_kflops)},
            {"last_third_kflops", measured(m.last_third_kflops)},
            {"governor", text_or_null(f.governor)},
            {"boost", text_or_null(f.boost)},
            {"min_hz", measured(f.min_hz)},
            {"max_hz", measured(f.max_hz)}};
}

}  // namespace

std::string format_json(const Context &context, const Measurement &measurement, const CopiesSummary *copies)
{
    using nlohmann::ordered_json;
    const Statistics &stats = measurement.statistics;
    // JSON has no infinities or NaNs (a zero total time gives an infinite
    // rate): the library writes them as null.
    ordered_json json;
    json["schema_version"] = kReportSchemaVersion;
    json["velmark_version"] = context.velmark_version;
    json["timestamp_utc"] = context.timestamp_utc;
    json["host"] = {{"os", context.host.os},
                    {"cpu", context.host.cpu},
                    {"logical_cpus", context.host.logical_cpus}};
    json["build"] = {{"platform", context.build.platform},
                     {"compiler", context.build.compiler},
                     {"flags", context.build.flags},
                     {"kernels", context.build.kernels}};
    const std::size_t process_count = measurement.processes.size();
    ordered_json runs = {{"runs", measurement.runs.size()},
                         {"processes", process_count},
                         {"warmup_runs", process_count},
                         {"seconds", measurement.seconds}};
    runs["budget_seconds"] =
        measurement.budget_seconds > 0.0 ? ordered_json(measurement.budget_seconds) : ordered_json(nullptr);
    json["measurement"] = runs;
    json["runs_kflops"] = measurement.results_kflops();
    // Each run's averaged totals (columns 3 and 7), from which its result
    // and the headline follow: a reader can check both.
    ordered_json totals = ordered_json::array();
    for (const RunRecord &run : measurement.runs) {
        totals.push_back({run.table[3].total_seconds, run.table[7].total_seconds});
    }
    json["runs_averaged_totals_seconds"] = totals;
    json["statistics"] = {{"best_kflops", stats.best},
                          {"median_kflops", stats.median},
                          {"min_kflops", stats.minimum},
                          {"median_to_best", stats.median_to_best},
                          {"coefficient_of_variation", stats.coefficient_of_variation},
                          {"headline_kflops", measurement.headline.kflops},
                          {"headline_rule", kRepeatedHeadlineRule},
                          {"headline_interval_kflops", measurement.interval.known()
                                                           ? ordered_json::array({measurement.interval.low,
                                                                                  measurement.interval.high})
                                                           : ordered_json(nullptr)}};
    ordered_json processes = ordered_json::array();
    for (const ProcessSummary &p : measurement.processes) processes.push_back(process_json(p));
    json["processes"] = processes;
    json["result_line"] = result_line(measurement.headline.kflops);
    const ClockCheck &clock = measurement.clock;
    json["clock"] = {{"counter", clock.counter_name},
                     {"resolution_seconds", clock.counter_step},
                     {"stated_resolution_seconds", clock.counter_stated_resolution},
                     {"reference", clock.reference_name},
                     {"reference_resolution_seconds", clock.reference_step},
                     {"counter_seconds", clock.counter_seconds},
                     {"reference_seconds", clock.reference_seconds},
                     {"agrees", clock.agrees},
                     {"headline_bound", clock.headline_bound},
                     {"coarse", clock.coarse}};
    ordered_json table = ordered_json::array();
    const TimingTable &best = measurement.best_table();
    for (std::size_t i = 0; i < best.size(); ++i) {
        const ColumnTiming &c = best[i];
        table.push_back({{"column", i},
                         {"layout", c.layout},
                         {"kind", c.averaged ? "averaged" : "single"},
                         {"factor_seconds", c.factor_seconds},
                         {"solve_seconds", c.solve_seconds},
                         {"total_seconds", c.total_seconds},
                         {"kflops", c.kflops}});
    }
    json["timing_table"] = table;
    json["machine"] = machine_json(context, measurement.machine);
    ordered_json warnings = ordered_json::array();
    for (const Warning &w : measurement.warnings) {
        warnings.push_back({{"code", w.code}, {"value", w.value}, {"limit", w.limit}});
    }
    json["comparable"] = measurement.comparable();
    json["warnings"] = warnings;
    if (copies) {
        ordered_json topology = ordered_json::array();
        for (const ProcessorPlace &p : copies->topology) {
            topology.push_back({{"processor", p.processor},
                                {"core", p.core.empty() ? ordered_json(nullptr) : ordered_json(p.core)},
                                {"capacity", measured(p.capacity)}});
        }
        ordered_json core_types = ordered_json::array();
        for (const CopiesSummary::CoreType &type : copies->core_types) {
            core_types.push_back({{"processor", type.processor},
                                  {"capacity", measured(type.capacity)},
                                  {"headline_kflops", type.headline_kflops}});
        }
        json["copies"] = {{"count", copies->count},
                          {"processors", copies->processors},
                          {"sum_kflops", copies->sum_kflops},
                          {"mean_kflops", copies->mean_kflops},
                          {"single_processor", copies->single_processor},
                          {"single_headline_kflops", copies->single_headline_kflops},
                          {"efficiency", measured(copies->efficiency)},
                          {"steps_kflops", copies->steps_kflops},
                          {"topology", topology},
                          {"core_types", core_types}};
    }
    ordered_json problems = ordered_json::array();
    for (const MeasurementProblem &problem : measurement.measurement_problems) problems.push_back(problem_json(problem));
    const Validation &v = measurement.untimed;
    const RunsCheck &check = measurement.runs_check;
    ordered_json timed = {{"checked", check.runs},
                          {"expected_digest", digest_text(kKnownRunDigest)},
                          {"warmup_digest", digest_text(measurement.warmup.solution_digest)}};
    timed["first_wrong_run"] = check.first_wrong_run ? ordered_json(check.first_wrong_run) : ordered_json(nullptr);
    timed["wrong_digest"] =
        check.first_wrong_run ? ordered_json(digest_text(check.wrong_digest)) : ordered_json(nullptr);
    json["validation"] = {{"digest", digest_text(v.digest)},
                          {"expected_digest", digest_text(kKnownSolutionDigest)},
                          {"normalised_residual", v.residual},
                          {"max_error", v.max_error},
                          {"timed_runs", timed},
                          {"validated", measurement.validated},
                          {"measurement_validated", measurement.measurement_valid()},
                          {"measurement_problems", problems}};
    return json.dump() + "\n";
}

}  // namespace velmark
