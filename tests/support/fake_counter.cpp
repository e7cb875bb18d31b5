#include "fake_counter.h"

#include "counter.h"
#include "velmark_engine.h"

namespace fake_counter {
namespace {

Behaviour current;
Calls counted;
std::int64_t ticks = 0;

void advance(const float *matrix, std::int64_t by)
{
    if (current.only_matrix == nullptr || current.only_matrix == matrix) ticks += by;
}

}  // namespace

void reset(const Behaviour &behaviour)
{
    current = behaviour;
    counted = Calls();
    ticks = behaviour.start;
}

const Calls &calls() { return counted; }

std::int64_t now() { return ticks; }

}  // namespace fake_counter

using namespace fake_counter;

extern "C" {

int read_counter(vm_int64 *value)
{
    ++counted.counter_reads;
    counted.events.push_back({'C', nullptr, 0});
    *value = ticks;
    return 1;
}

int read_counter_frequency(vm_int64 *value)
{
    ++counted.frequency_reads;
    counted.events.push_back({'F', nullptr, 0});
    *value = current.frequency;
    return 1;
}

void __real_make_matrix(float *a, vm_int32 lda, vm_int32 n, float *b);
void __real_lu_factor(float *a, vm_int32 lda, vm_int32 n, vm_int32 *pivots, vm_int32 *info);
void __real_lu_solve(const float *a, vm_int32 lda, vm_int32 n, const vm_int32 *pivots,
                     float *b, vm_int32 job);

void __wrap_make_matrix(float *a, vm_int32 lda, vm_int32 n, float *b)
{
    ++counted.generations;
    counted.events.push_back({'G', a, lda});
    __real_make_matrix(a, lda, n, b);
    advance(a, current.per_generation);
}

void __wrap_lu_factor(float *a, vm_int32 lda, vm_int32 n, vm_int32 *pivots, vm_int32 *info)
{
    ++counted.factors;
    counted.events.push_back({'L', a, lda});
    __real_lu_factor(a, lda, n, pivots, info);
    const std::vector<std::int64_t> &by_call = current.factor_ticks_by_call;
    std::size_t call = static_cast<std::size_t>(counted.factors);
    advance(a, by_call.empty() ? current.per_factor : call <= by_call.size() ? by_call[call - 1] : 0);
}

void __wrap_lu_solve(const float *a, vm_int32 lda, vm_int32 n, const vm_int32 *pivots,
                     float *b, vm_int32 job)
{
    ++counted.solves;
    counted.events.push_back({'S', a, lda});
    __real_lu_solve(a, lda, n, pivots, b, job);
    advance(a, current.per_solve);
}

}  // extern "C"
