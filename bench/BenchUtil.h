#pragma once

#include <QString>
#include <functional>

// Runs `body` `runs` times (after one warm-up run) and prints the median, minimum and maximum
// wall time in milliseconds on one line: "name: median X ms (min Y, max Z, N runs)".
// `setup` runs before each run and is not timed. Returns the median.
double Measure(const QString& name, int runs, const std::function<void()>& body,
               const std::function<void()>& setup = {});
