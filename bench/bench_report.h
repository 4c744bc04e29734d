// How every benchmark states a figure. Each figure is one line on standard output:
//
//   FIGURE <name> | <value> <unit> | <target> | <verdict>
//
//   FIGURE renderer paced CPU, median of 3 | 41.5 % of one core | <= 45 % of one core | OK
//   FIGURE music MP3 start to first audible sample, median | none ms | <= 300 ms | MISS
//   FIGURE gflux paced CPU (reference), median of 3 | 12.0 % of one core | none | INFO
//
// The verdict is OK (target met), MISS (missed, or nothing could be measured: the value is then
// "none"), or INFO (a figure that has no target of its own, such as a reference program's).
// bench/run-all passes the lines through as they come and ends with a table of them all and the
// name of each missed figure. Names hold no '|'; say in the name what the value is (median,
// worst, of how many runs). Detail that is not a figure (each round, the spread) goes on ordinary
// lines before it.
//
// Adding a figure to a benchmark:
//   benchreport::AtMost("host /s to first drawn frame, median", medianMs, "ms", 300, 0);
//   ...
//   return benchreport::ExitStatus();  // at the end of main: 2 when a figure missed
// A program that cannot measure at all (no display, a program that does not start) prints why on
// stderr and returns 1.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace benchreport {

inline int& MissCount() {
    static int count = 0;
    return count;
}

inline std::string Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Targets print as written in the source: 4.5, 45, 0.2, 1100.
inline std::string Limit(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

inline void Line(std::string_view name, std::string_view value, std::string_view unit,
                 std::string_view target, std::string_view verdict) {
    std::printf("FIGURE %.*s | %.*s %.*s | %.*s | %.*s\n", static_cast<int>(name.size()),
                name.data(), static_cast<int>(value.size()), value.data(),
                static_cast<int>(unit.size()), unit.data(), static_cast<int>(target.size()),
                target.data(), static_cast<int>(verdict.size()), verdict.data());
    // Keep the order with the program's stderr and with the programs it starts.
    std::fflush(stdout);
}

inline bool Judge(std::string_view name, double value, std::string_view unit, bool met,
                  std::string_view relation, double limit, int decimals) {
    if (!met) {
        ++MissCount();
    }
    const std::string target = std::string(relation) + " " + Limit(limit) + " " + std::string(unit);
    Line(name, Number(value, decimals), unit, target, met ? "OK" : "MISS");
    return met;
}

// A figure whose target is an upper bound (times, CPU shares, memory); true when met.
inline bool AtMost(std::string_view name, double value, std::string_view unit, double limit,
                   int decimals = 1) {
    return Judge(name, value, unit, value <= limit, "<=", limit, decimals);
}

// A figure whose target is a lower bound (rates); true when met.
inline bool AtLeast(std::string_view name, double value, std::string_view unit, double limit,
                    int decimals = 1) {
    return Judge(name, value, unit, value >= limit, ">=", limit, decimals);
}

// A figure without a target of its own: shown in the table, never a miss.
inline void Info(std::string_view name, double value, std::string_view unit, int decimals = 1) {
    Line(name, Number(value, decimals), unit, "none", "INFO");
}

// A figure that has an upper-bound target but could not be measured: a miss. Say why on a line
// of its own before.
inline void NotMeasured(std::string_view name, std::string_view unit, double limit) {
    ++MissCount();
    Line(name, "none", unit, "<= " + Limit(limit) + " " + std::string(unit), "MISS");
}

// The program's exit status once it has measured everything: 0, or 2 when a figure missed.
inline int ExitStatus() {
    return MissCount() == 0 ? 0 : 2;
}

}  // namespace benchreport
