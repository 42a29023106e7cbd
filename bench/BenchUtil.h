#pragma once
// Small timing helpers for the benchmark programs.
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench
{

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

// Longest gap between two turns of the event loop, seen by a 1 ms timer.
class StallWatch : public QObject
{
public:
    StallWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 t = m_clock.nsecsElapsed();
            m_longestNs = std::max(m_longestNs, t - m_lastNs);
            m_lastNs = t;
        });
    }
    void start()
    {
        m_clock.start();
        m_lastNs = 0;
        m_longestNs = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double longestMs() const { return double(m_longestNs) / 1e6 - 1.0; } // less the tick

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    qint64 m_longestNs = 0;
};

} // namespace bench
