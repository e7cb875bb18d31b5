// Speed of the vector kernels at the lengths the solver hands them, and of
// one factorisation plus solve on each layout, in MFlops by the same
// operation count the benchmark run uses.
#include <benchmark/benchmark.h>

#include <vector>

#include "velmark_engine.h"
#include "workspace.h"

namespace {

std::vector<float> filled(int count, float value) { return std::vector<float>(count, value); }

void set_flop_rate(benchmark::State &state, double flops_per_iteration)
{
    // kIsRate divides by seconds; /1e6 turns operations into MFlops.
    state.counters["MFlops"] = benchmark::Counter(
        flops_per_iteration * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void BM_axpy(benchmark::State &state)
{
    int count = static_cast<int>(state.range(0));
    std::vector<float> x = filled(count, 0.5f), y = filled(count, 1.0f);
    for (auto _ : state) {
        axpy(count, 1e-6, x.data(), 1, y.data(), 1);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, 2.0 * count);
}

void BM_dot(benchmark::State &state)
{
    int count = static_cast<int>(state.range(0));
    std::vector<float> x = filled(count, 0.5f), y = filled(count, 1.0f);
    for (auto _ : state) benchmark::DoNotOptimize(dot(count, x.data(), 1, y.data(), 1));
    set_flop_rate(state, 2.0 * count);
}

void BM_scal(benchmark::State &state)
{
    int count = static_cast<int>(state.range(0));
    std::vector<float> x = filled(count, 0.5f);
    for (auto _ : state) {
        scal(count, 1.0000001, x.data(), 1);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, 1.0 * count);
}

void BM_iamax(benchmark::State &state)
{
    int count = static_cast<int>(state.range(0));
    std::vector<float> x = filled(count, 0.5f);
    x[count - 1] = 2.0f;
    for (auto _ : state) benchmark::DoNotOptimize(iamax(count, x.data(), 1));
    set_flop_rate(state, 1.0 * count);
}

// One generation (untimed), factorisation and solve of order 100 on the
// workspace's own arrays, as the benchmark run does them.
void BM_factor_and_solve(benchmark::State &state)
{
    int lda = static_cast<int>(state.range(0));
    float *matrix = lda == 201 ? matrix1 : matrix2;
    vm_int32 order = 100;
    for (auto _ : state) {
        state.PauseTiming();
        make_matrix(matrix, lda, order, rhs);
        state.ResumeTiming();
        lu_factor(matrix, lda, order, pivots, &info);
        lu_solve(matrix, lda, order, pivots, rhs, 0);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, ops);
}

}  // namespace

// Lengths: the solver's segments run from 99 down to 1; 50 is typical.
BENCHMARK(BM_axpy)->Arg(4)->Arg(50)->Arg(99);
BENCHMARK(BM_dot)->Arg(5)->Arg(50)->Arg(99);
BENCHMARK(BM_scal)->Arg(5)->Arg(50)->Arg(99);
BENCHMARK(BM_iamax)->Arg(2)->Arg(50)->Arg(100);
BENCHMARK(BM_factor_and_solve)->Arg(201)->Arg(200);

BENCHMARK_MAIN();
