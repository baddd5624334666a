// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Summaries of timing samples for the bench's report.
#pragma once

#include <vector>

struct Summary {
    double median = 0;
    double p90 = 0;
    double min = 0;
    double max = 0;
};
// Nearest-rank percentiles; all zero for no samples.
Summary Summarize(std::vector<double> samples);

// Least-squares line y = fixed + perUnit * x, and how well it fits (R²).
struct LineFit {
    double perUnit = 0;
    double fixed = 0;
    double r2 = 0;
};
LineFit FitLine(const std::vector<double>& x, const std::vector<double>& y);
