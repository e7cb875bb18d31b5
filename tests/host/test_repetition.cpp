// A measurement made in several processes: the headline the mean of their
// best blocks with Student's t interval, the runs and verdicts carried
// across, the record a process hands back, and the machine's state and
// its warnings from numbers fed in through the engine's seams.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <string>
#include <vector>

#include "copies.h"
#include "measurement.h"
#include "options.h"
#include "process_record.h"
#include "runner_platform.h"
#include "solution_check.h"

namespace {

// An engine whose runs all give `kflops` from averaged totals of
// `total` seconds, a run taking `run_seconds` by its clocks.
velmark::Engine steady_engine(int kflops, float total, double *now, int *runs_made)
{
    velmark::Engine e;
    e.run = [=] {
        *now += 0.1;
        ++*runs_made;
        return kflops;
    };
    e.timing_table = [=] {
        velmark::TimingTable table;
        table[3].total_seconds = table[7].total_seconds = total;
        return table;
    };
    e.solution_digest = [=] { return *runs_made == 5 && kflops == 2000 ? 0xbadULL : velmark::kKnownRunDigest; };
    e.untimed_solve = [] {
        velmark::Validation v;
        v.validated = true;
        return v;
    };
    // Every reading moves the clocks on by a microsecond.
    e.seconds = [=] { return *now += 1e-6; };
    e.counter = {"the counter", [=] { return *now += 1e-6; }, 1e-9};
    e.reference = {"the wall clock", [=] { return *now += 1e-6; }, 1e-9};
    return e;
}

velmark::Measurement one_process(int kflops, float total)
{
    double now = 0.0;
    int runs = 0;
    const velmark::RunPlan plan = velmark::plan_from(velmark::parse_options({"--runs", "10", "--processes", "1"}));
    return velmark::measure(plan, steady_engine(kflops, total, &now, &runs));
}

TEST(Repetition, TheHeadlineIsTheMeanOfTheBestBlocksWithStudentsInterval)
{
    // Totals of 1, 1.25 and 0.8 ms rate 100 MFLOPS-class runs apart.
    std::vector<velmark::Measurement> processes = {one_process(1000, 1e-3f), one_process(2000, 1.25e-3f),
                                                   one_process(3000, 0.8e-3f)};
    const velmark::Measurement m = velmark::combine(processes, 2);
    ASSERT_EQ(3u, m.processes.size());
    std::vector<double> blocks;
    for (const velmark::Measurement &p : processes) blocks.push_back(p.headline.kflops);
    const double mean = (blocks[0] + blocks[1] + blocks[2]) / 3.0;
    double squares = 0.0;
    for (double b : blocks) squares += (b - mean) * (b - mean);
    const double half = 4.3027 * std::sqrt(squares / 2.0) / std::sqrt(3.0);
    EXPECT_EQ(std::lround(mean), m.headline.kflops);
    EXPECT_NEAR(mean - half, m.interval.low, 1e-6);
    EXPECT_NEAR(mean + half, m.interval.high, 1e-6);
    EXPECT_EQ(30, m.headline.runs) << "the clock's bound is that of all three blocks";
    EXPECT_EQ(30u, m.runs.size());
    EXPECT_EQ(20, m.best_run) << "the first of the best runs, counted across processes";
    EXPECT_EQ(14, m.runs_check.first_wrong_run) << "the second process's fourth counted run";
    EXPECT_FALSE(m.validated);
    EXPECT_NEAR(3.0, m.clock.reference_seconds, 1e-3) << "the clocks over every process's span";
    EXPECT_TRUE(m.clock.agrees);

    EXPECT_FALSE(velmark::combine({processes[0]}, 2).interval.known()) << "one process: no interval";
    EXPECT_NEAR(2.0423, velmark::student_t975(30), 1e-9);
    EXPECT_NEAR(2.0395, velmark::student_t975(31), 1e-4) << "the series past the table";
    EXPECT_NEAR(1.9840, velmark::student_t975(100), 1e-4);
}

TEST(Repetition, AProcessHandsBackWhatTheRunnerWouldHaveMeasuredItself)
{
    velmark::Measurement made = one_process(2000, 1.25e-3f);
    made.processes[0].state.cpu_seconds = 0.75;
    made.processes[0].state.clock_hz_after = std::nan("");
    velmark::Measurement read;
    std::string error;
    ASSERT_TRUE(velmark::read_process_record(velmark::process_record_json(made), &read, &error)) << error;
    EXPECT_EQ(made.results_kflops(), read.results_kflops());
    EXPECT_EQ(made.runs_check.first_wrong_run, read.runs_check.first_wrong_run);
    EXPECT_EQ(made.validated, read.validated);
    EXPECT_EQ(made.headline.kflops, read.headline.kflops);
    EXPECT_EQ(made.best_table()[3].total_seconds, read.best_table()[3].total_seconds);
    EXPECT_EQ(made.clock.reference_seconds, read.clock.reference_seconds);
    EXPECT_EQ(0.75, read.processes[0].state.cpu_seconds);
    EXPECT_TRUE(std::isnan(read.processes[0].state.clock_hz_after));
    EXPECT_FALSE(velmark::read_process_record("{\"runs\": [[1]]}", &read, &error));
    EXPECT_NE(std::string::npos, error.find("unreadable"));
}

#ifndef _WIN32
// Copies at once: every one is held until the last has started, a copy's
// death or refusal to pin is its own, and the others are not lost.
TEST(Copies, SixtyFourCopiesWaitForTheLastAtTheBarrier)
{
    using clock = std::chrono::steady_clock;
    const auto since = [] { return std::chrono::duration<double>(clock::now().time_since_epoch()).count(); };
    // Copy k is ready k milliseconds late; each says when it was let go.
    // The last refuses to be pinned, giving the time it was ready as its
    // reason: a refusal still counts at the barrier.
    const std::vector<velmark::CopyOutcome> outcomes = velmark::run_copies_together(
        std::vector<int>(64, 0),
        [&](int k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(k));
            return std::string(k == 63 ? std::to_string(since()) : "");
        },
        [&](int k) { return std::to_string(k) + " " + std::to_string(since()); }, {});
    ASSERT_EQ(64u, outcomes.size());
    EXPECT_NE(std::string::npos, outcomes.back().failure.find("cannot be pinned")) << "a refusal is the copy's failure";
    const double last_ready = std::stod(outcomes.back().failure.substr(outcomes.back().failure.rfind(' ') + 1));
    for (int k = 0; k < 63; ++k) {
        const velmark::CopyOutcome &o = outcomes[static_cast<std::size_t>(k)];
        ASSERT_EQ("", o.failure) << k;
        EXPECT_EQ(std::to_string(k), o.text.substr(0, o.text.find(' '))) << "each copy's own text, in order";
        EXPECT_GE(std::stod(o.text.substr(o.text.find(' ') + 1)), last_ready) << "copy " << k << " ran before the last was ready";
    }
}

TEST(Copies, ACopyThatDiesIsNamedAndTheOthersKept)
{
    const std::vector<velmark::CopyOutcome> outcomes = velmark::run_copies_together(
        {0, 0, 0}, [](int) { return std::string(); },
        [](int k) -> std::string {
            if (k == 1) std::abort();
            return "copy " + std::to_string(k);
        },
        {});
    EXPECT_EQ("copy 0", outcomes[0].text);
    EXPECT_NE(std::string::npos, outcomes[1].failure.find("killed by signal 6")) << outcomes[1].failure;
    EXPECT_EQ("", outcomes[1].text);
    EXPECT_EQ("copy 2", outcomes[2].text);

    std::string error;
    velmark::Options all = velmark::parse_options({"--copies", "all"});
    EXPECT_EQ(3, velmark::copies_wanted(all, {0, 2, 5}, &error)) << "one per processor allowed";
    EXPECT_EQ(0, velmark::copies_wanted(velmark::parse_options({"--copies", "4"}), {0, 2, 5}, &error));
    EXPECT_EQ("invalid value for --copies: '4' (this runner may use 3 logical processors: 1 to 3, or all)", error);
    EXPECT_EQ(std::vector<double>({1, 3, 5}), velmark::rate_steps({1, 3, 4, 6}, 3)) << "each step's median";

    // A hybrid processor's capacities give one type each, led by its first
    // processor; a system that tells none gives one type.
    const auto leaders = [](const std::vector<velmark::ProcessorPlace> &topology) {
        std::vector<int> processors;
        for (const velmark::ProcessorPlace &p : velmark::core_type_leaders(topology)) processors.push_back(p.processor);
        return processors;
    };
    const double untold = std::nan("");
    EXPECT_EQ(std::vector<int>({0, 4}),
              leaders({{0, "0-1", 1024}, {1, "0-1", 1024}, {4, "4", 512}, {5, "5", 512}, {6, "6", 1024}}));
    EXPECT_EQ(std::vector<int>({2}), leaders({{2, "", untold}, {3, "", untold}}));
}

TEST(Repetition, AProcessThatDiesIsNamedWithHowItDied)
{
    std::string failure;
    EXPECT_EQ("made\n", velmark::run_in_fresh_process([] { return std::string("made\n"); }, {}, &failure));
    EXPECT_EQ("", failure);
    velmark::run_in_fresh_process([]() -> std::string { std::abort(); }, {}, &failure);
    EXPECT_NE(std::string::npos, failure.find("killed by signal 6")) << failure;
    failure.clear();
    velmark::run_in_fresh_process([]() -> std::string { std::exit(3); }, {}, &failure);
    EXPECT_EQ("exited with status 3", failure);
}
#endif

// A process whose samples and clock readings are the test's: the system
// as two /proc/stat texts, the process's CPU time, the core's clock.
velmark::Measurement sampled(const std::string &stat_before, const std::string &stat_after, double cpu_share,
                             double clock_before, double clock_after)
{
    double now = 0.0;
    int runs = 0;
    velmark::Engine e = steady_engine(1000, 1e-3f, &now, &runs);
    int samples = 0;
    e.sample_state = [=, &samples, &now] {
        velmark::StateSample s;
        s.wall = now;
        s.cpu_seconds = cpu_share * now;
        s.involuntary_switches = 0.0;
        s.system = velmark::parse_proc_stat(samples++ == 0 ? stat_before : stat_after);
        return s;
    };
    int clocks = 0;
    e.core_clock_hz = [=, &clocks] { return clocks++ == 0 ? clock_before : clock_after; };
    const velmark::RunPlan plan = velmark::plan_from(velmark::parse_options({"--runs", "12", "--processes", "1"}));
    return velmark::combine({velmark::measure(plan, e)}, 2);
}

std::string codes_of(const std::vector<velmark::Warning> &warnings)
{
    std::string all;
    for (const velmark::Warning &w : warnings) all += w.code + " ";
    return all;
}

std::string codes(const velmark::Measurement &m) { return codes_of(m.warnings); }

TEST(MachineState, EachConditionGivesItsWarningFromItsOwnNumbers)
{
    // 1.2 s of runs on two processors: 240 ticks in all. Busy: the runner's
    // 120 and the other's 12 (10% of it); the steal comes on top.
    const std::string before = "cpu  1000 0 500 8000 0 0 0 0 0 0\nprocs_running 3\n";
    const std::string quiet = "cpu  1132 0 500 8108 0 0 0 0 0 0\nprocs_running 1\n";
    const velmark::Measurement m = sampled(before, quiet, 1.0, 3e9, 3e9);
    EXPECT_EQ("", codes(m));
    EXPECT_TRUE(m.comparable());
    EXPECT_NEAR(0.1, m.machine.others_busy_share, 1e-4);
    EXPECT_EQ(0.0, m.machine.steal_share);
    EXPECT_EQ(3.0, m.machine.runnable_at_start);
    EXPECT_NEAR(m.headline.kflops * 1e3 / 3e9, m.machine.ops_per_cycle, 1e-12);

    // Steal of 5 ticks in 240 is 2.08%: past the 2% allowed.
    EXPECT_EQ("steal ", codes(sampled(before, "cpu  1132 0 500 8103 0 0 0 5 0 0\n", 1.0, 3e9, 3e9)));
    EXPECT_EQ("", codes(sampled(before, "cpu  1132 0 500 8103 0 0 0 4 0 0\n", 1.0, 3e9, 3e9))) << "1.7%";
    EXPECT_EQ("descheduled ", codes(sampled(before, quiet, 0.94, 3e9, 3e9)));
    EXPECT_EQ("", codes(sampled(before, quiet, 0.95, 3e9, 3e9))) << "at the limit: still comparable";
    EXPECT_EQ("clock_fell ", codes(sampled(before, quiet, 1.0, 3e9, 2.8e9)));
    EXPECT_EQ("others_busy ", codes(sampled(before, "cpu  1181 0 500 8059 0 0 0 0 0 0\n", 1.0, 3e9, 3e9)));
    EXPECT_TRUE(std::isnan(sampled(before, "", 1.0, 3e9, 3e9).machine.steal_share)) << "no system: not measured";
}

TEST(MachineState, TheClockFallsOnlyWhenTheLastHalfStaysLower)
{
    std::vector<velmark::ProcessState> processes(8);
    for (velmark::ProcessState &p : processes) p.clock_hz_before = p.clock_hz_after = 3e9;
    processes.back().clock_hz_after = 2.5e9;  // one reading's jitter
    EXPECT_EQ("", codes_of(velmark::comparability_warnings(velmark::machine_state(processes, {}, 1000, 2))));
    for (int i = 4; i < 7; ++i) processes[i].clock_hz_after = 2.7e9;  // the last half, lower
    const velmark::MachineState state = velmark::machine_state(processes, {}, 1000, 2);
    EXPECT_NEAR(0.9, state.clock_after_to_before, 1e-12);
    EXPECT_EQ("clock_fell ", codes_of(velmark::comparability_warnings(state)));
}

}  // namespace
