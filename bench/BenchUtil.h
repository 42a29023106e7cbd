#pragma once
// Small timing helpers for the benchmark programs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

inline double timeUs(const std::function<void()>& f)
{
    const auto a = std::chrono::steady_clock::now();
    f();
    const auto b = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::micro>(b - a).count();
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Prints "name: median X us (target <= T us) OK|OVER".
inline void report(const char* name, const std::vector<double>& samples, double targetUs)
{
    const double m = median(samples);
    std::printf("%-40s median %10.2f us   target <= %8.2f us   %s\n", name, m, targetUs,
                m <= targetUs ? "OK" : "OVER");
}

} // namespace bench
