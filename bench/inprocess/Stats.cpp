// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Stats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

// The sample at or below which `fraction` of them lie.
double NearestRank(const std::vector<double>& sorted, double fraction)
{
    const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

}  // namespace

Summary Summarize(std::vector<double> samples)
{
    Summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    s.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    s.p90 = NearestRank(samples, 0.9);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

LineFit FitLine(const std::vector<double>& x, const std::vector<double>& y)
{
    LineFit fit;
    const size_t n = std::min(x.size(), y.size());
    if (n < 2)
        return fit;
    double mx = 0, my = 0;
    for (size_t i = 0; i < n; ++i) {
        mx += x[i];
        my += y[i];
    }
    mx /= static_cast<double>(n);
    my /= static_cast<double>(n);
    double sxx = 0, sxy = 0, syy = 0;
    for (size_t i = 0; i < n; ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
        syy += (y[i] - my) * (y[i] - my);
    }
    if (sxx == 0)
        return fit;
    fit.perUnit = sxy / sxx;
    fit.fixed = my - fit.perUnit * mx;
    fit.r2 = syy == 0 ? 1.0 : (sxy * sxy) / (sxx * syy);
    return fit;
}
