#include "interval.h"

#include <cmath>

namespace velmark {

double student_t975(int degrees_of_freedom)
{
    static const double table[30] = {12.7062, 4.3027, 3.1824, 2.7764, 2.5706, 2.4469, 2.3646, 2.3060, 2.2622, 2.2281,
                                     2.2010,  2.1788, 2.1604, 2.1448, 2.1314, 2.1199, 2.1098, 2.1009, 2.0930, 2.0860,
                                     2.0796,  2.0739, 2.0687, 2.0639, 2.0595, 2.0555, 2.0518, 2.0484, 2.0452, 2.0423};
    if (degrees_of_freedom < 1) degrees_of_freedom = 1;
    if (degrees_of_freedom <= 30) return table[degrees_of_freedom - 1];
    // The Cornish-Fisher series about the normal quantile 1.959964.
    const double z = 1.959964, v = degrees_of_freedom;
    const double z3 = z * z * z, z5 = z3 * z * z;
    return z + (z3 + z) / (4.0 * v) + (5.0 * z5 + 16.0 * z3 + 3.0 * z) / (96.0 * v * v);
}

Interval mean_interval(const std::vector<double> &samples)
{
    Interval interval;
    interval.samples = static_cast<int>(samples.size());
    if (samples.empty()) return interval;
    double sum = 0.0;
    for (double s : samples) sum += s;
    interval.mean = sum / static_cast<double>(samples.size());
    interval.low = interval.high = interval.mean;
    if (samples.size() < 2) return interval;
    double squares = 0.0;
    for (double s : samples) squares += (s - interval.mean) * (s - interval.mean);
    const double n = static_cast<double>(samples.size());
    const double half = student_t975(interval.samples - 1) * std::sqrt(squares / (n - 1.0)) / std::sqrt(n);
    interval.low = interval.mean - half;
    interval.high = interval.mean + half;
    return interval;
}

}  // namespace velmark
