// The result of averaged columns that took these totals, by the run's own
// rate and final-rate rules: the headline of a block of runs, whose
// averaged columns are its runs' means. Header-only and free of the C++
// library, so that the browser's module (ports/web/exports.cpp) exports
// this very function.
#pragma once

#include "velmark_engine.h"
#include "workspace.h"

namespace velmark {

// A column's rate from its total, as the run completes a column.
inline float averaged_column_rate(float total_seconds)
{
    return static_cast<float>(ops / (static_cast<double>(total_seconds) * 1000.0));
}

inline int kflops_from_averaged_totals(double total_layout1, double total_layout2)
{
    return round_rate_to_kflops(lower_averaged_rate(averaged_column_rate(static_cast<float>(total_layout1)),
                                                    averaged_column_rate(static_cast<float>(total_layout2))));
}

}  // namespace velmark
