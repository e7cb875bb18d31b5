#include "solution_check.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

#include "velmark_engine.h"

namespace velmark {

namespace {

// The larger of two magnitudes, where a NaN on either side wins: a NaN in
// the solution must not vanish from the norms.
double worse(double a, double b)
{
    return (std::isnan(a) || a > b) ? a : b;
}

}  // namespace

Validation validate_solver()
{
    const int order = 100;
    const int lda = 201;
    std::vector<float> a(static_cast<std::size_t>(lda) * order);
    std::vector<float> x(order);
    std::vector<int> pivots(order);
    int info = 0;

    make_matrix(a.data(), lda, order, x.data());
    lu_factor(a.data(), lda, order, pivots.data(), &info);
    lu_solve(a.data(), lda, order, pivots.data(), x.data(), 0);
    return judge_solution(x.data());
}

Validation judge_solution(const float *x)
{
    const int order = 100;
    const int lda = 201;
    Validation result;
    result.digest = solution_digest(x, order);

    // Regenerate the original system to measure how well x solves it.
    std::vector<float> a(static_cast<std::size_t>(lda) * order);
    std::vector<float> b(order);
    make_matrix(a.data(), lda, order, b.data());
    double residual_norm = 0.0, matrix_norm = 0.0, solution_norm = 0.0;
    for (int i = 0; i < order; ++i) {
        double row = -static_cast<double>(b[i]);
        double row_magnitude = 0.0;
        for (int j = 0; j < order; ++j) {
            double element = a[static_cast<std::size_t>(lda) * j + i];
            row += element * static_cast<double>(x[j]);
            row_magnitude += std::fabs(element);
        }
        matrix_norm = worse(matrix_norm, row_magnitude);
        residual_norm = worse(residual_norm, std::fabs(row));
        solution_norm = worse(solution_norm, std::fabs(static_cast<double>(x[i])));
        result.max_error = worse(result.max_error, std::fabs(x[i] - 1.0));
    }
    result.residual = residual_norm / (order * matrix_norm * solution_norm * FLT_EPSILON);
    result.validated = result.digest == kKnownSolutionDigest &&
                       std::isfinite(result.residual) && result.residual < 10.0;
    return result;
}

}  // namespace velmark
