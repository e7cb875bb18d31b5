// Speed of every kernel variant this machine runs: the kernels at the
// lengths the solver hands them, one factorisation plus solve of order 100
// on each layout, and, as references in the same run, the strict axpy-only
// model of the factorisation and OpenBLAS's sgetrf + sgetrs at one thread.
// Rates are MFlops by the same operation count the benchmark run uses.
//
// Compare the rows of one run with each other (ratios), not across runs:
//   velmark_bench --benchmark_repetitions=21 --benchmark_report_aggregates_only=true
//                 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "kernel_variants.h"
#include "strict_axpy_model.h"
#include "velmark_engine.h"
#include "workspace.h"

#ifdef VELMARK_BENCH_OPENBLAS
extern "C" {
void sgetrf_(const int *m, const int *n, float *a, const int *lda, int *pivots, int *info);
void sgetrs_(const char *trans, const int *n, const int *nrhs, const float *a, const int *lda,
             const int *pivots, float *b, const int *ldb, int *info);
void openblas_set_num_threads(int threads);
}
#endif

namespace {

const vm_int32 kOrder = 100;

void set_flop_rate(benchmark::State &state, double flops_per_iteration)
{
    // kIsRate divides by seconds; /1e6 turns operations into MFlops.
    state.counters["MFlops"] = benchmark::Counter(
        flops_per_iteration * static_cast<double>(state.iterations()) / 1e6,
        benchmark::Counter::kIsRate);
}

void use(benchmark::State &state, const char *variant)
{
    if (choose_kernels(variant) != KERNELS_CHOSEN) state.SkipWithError("variant not available");
}

void bm_axpy(benchmark::State &state, const char *variant)
{
    use(state, variant);
    int count = static_cast<int>(state.range(0));
    std::vector<float> x(count, 0.5f), y(count, 1.0f);
    for (auto _ : state) {
        axpy(count, 1e-6, x.data(), 1, y.data(), 1);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, 2.0 * count);
}

void bm_dot(benchmark::State &state, const char *variant)
{
    use(state, variant);
    int count = static_cast<int>(state.range(0));
    std::vector<float> x(count, 0.5f), y(count, 1.0f);
    for (auto _ : state) benchmark::DoNotOptimize(dot(count, x.data(), 1, y.data(), 1));
    set_flop_rate(state, 2.0 * count);
}

void bm_scal(benchmark::State &state, const char *variant)
{
    use(state, variant);
    int count = static_cast<int>(state.range(0));
    std::vector<float> x(count, 0.5f);
    for (auto _ : state) {
        scal(count, 1.0000001, x.data(), 1);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, 1.0 * count);
}

void bm_iamax(benchmark::State &state, const char *variant)
{
    use(state, variant);
    int count = static_cast<int>(state.range(0));
    std::vector<float> x(count, 0.5f);
    x[count - 1] = 2.0f;
    for (auto _ : state) benchmark::DoNotOptimize(iamax(count, x.data(), 1));
    set_flop_rate(state, 1.0 * count);
}

float *layout(int lda) { return lda == 201 ? matrix1 : matrix2; }

// Times `step` on the workspace's matrix of the layout given as the
// benchmark's argument, freshly generated (untimed) before every step, at
// the run's operation count.
template <class Step>
void time_on_fresh_matrix(benchmark::State &state, Step step)
{
    int lda = static_cast<int>(state.range(0));
    float *matrix = layout(lda);
    for (auto _ : state) {
        state.PauseTiming();
        make_matrix(matrix, lda, kOrder, rhs);
        state.ResumeTiming();
        step(matrix, lda);
        benchmark::ClobberMemory();
    }
    set_flop_rate(state, ops);
}

// One factorisation and solve of order 100, as the benchmark run does them.
void bm_factor_and_solve(benchmark::State &state, const char *variant)
{
    use(state, variant);
    time_on_fresh_matrix(state, [](float *matrix, int lda) {
        lu_factor(matrix, lda, kOrder, pivots, &info);
        lu_solve(matrix, lda, kOrder, pivots, rhs, 0);
    });
}

// Only the factorisation's axpy work, at its full operation count: what the
// whole factorisation plus solve could reach if nothing else took time.
void bm_strict_axpy_model(benchmark::State &state)
{
    time_on_fresh_matrix(state, [](float *matrix, int lda) { strict_axpy_model(matrix, lda, kOrder); });
}

#ifdef VELMARK_BENCH_OPENBLAS
void bm_openblas(benchmark::State &state)
{
    openblas_set_num_threads(1);
    time_on_fresh_matrix(state, [](float *matrix, int lda) {
        const int order = kOrder, one = 1;
        int reference_pivots[kOrder], status = 0;
        sgetrf_(&order, &order, matrix, &lda, reference_pivots, &status);
        sgetrs_("N", &order, &one, matrix, &lda, reference_pivots, rhs, &order, &status);
    });
}
#endif

void register_all()
{
    for (int v = 0; v < kernel_variant_count(); ++v) {
        if (!kernel_variant_supported(v)) continue;
        const char *variant = kernel_variant_name(v);
        std::string suffix = std::string("/") + variant;
        benchmark::RegisterBenchmark(("factor_and_solve" + suffix).c_str(), bm_factor_and_solve, variant)
            ->Arg(201)->Arg(200);
        // The solver's segments run from 99 down to 1; 50 is typical.
        benchmark::RegisterBenchmark(("axpy" + suffix).c_str(), bm_axpy, variant)->Arg(4)->Arg(50)->Arg(99);
        benchmark::RegisterBenchmark(("scal" + suffix).c_str(), bm_scal, variant)->Arg(5)->Arg(50)->Arg(99);
        benchmark::RegisterBenchmark(("iamax" + suffix).c_str(), bm_iamax, variant)->Arg(2)->Arg(50)->Arg(100);
    }
    benchmark::RegisterBenchmark("dot", bm_dot, "portable")->Arg(5)->Arg(50)->Arg(99);
    benchmark::RegisterBenchmark("strict_axpy_model", bm_strict_axpy_model)->Arg(201)->Arg(200);
#ifdef VELMARK_BENCH_OPENBLAS
    benchmark::RegisterBenchmark("openblas_sgetrf_sgetrs", bm_openblas)->Arg(201)->Arg(200);
#endif
}

}  // namespace

int main(int argc, char **argv)
{
    register_all();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
