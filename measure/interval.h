// How far a rerun may land: the headline is the mean of the processes'
// best blocks, given with its 95% confidence interval by Student's t.
// Student's t rather than a bootstrap because the samples are few (one a
// process, eight by default): a bootstrap of eight values draws its
// interval from at most eight distinct means of resamples' tails and comes
// out too narrow, where t widens it by exactly what so few samples leave
// unknown. The page gives the same interval by the same rule.
#pragma once

#include <vector>

namespace velmark {

struct Interval {
    double mean = 0.0;
    double low = 0.0;       // the mean when there are fewer than two samples
    double high = 0.0;
    int samples = 0;
    bool known() const { return samples >= 2; }
    // Half the interval's width as a share of the mean.
    double half_width_share() const { return mean > 0.0 ? (high - low) / 2.0 / mean : 0.0; }
};

// The two-sided 95% quantile of Student's t with this many degrees of
// freedom (at least 1): exact to four places from a table up to 30, and by
// the series in 1/df beyond.
double student_t975(int degrees_of_freedom);

Interval mean_interval(const std::vector<double> &samples);

}  // namespace velmark
