#include "error_report.h"

#include <cstdio>
#include <utility>

namespace quillmere {

namespace {
ErrorReporter& CurrentReporter() {
    static ErrorReporter reporter;
    return reporter;
}
}  // namespace

ErrorReporter SetErrorReporter(ErrorReporter reporter) {
    return std::exchange(CurrentReporter(), std::move(reporter));
}

void ReportError(const std::string& text) {
    if (const ErrorReporter& reporter = CurrentReporter()) {
        reporter(text);
        return;
    }
    std::fprintf(stderr, "Error: %s\n", text.c_str());
}

}  // namespace quillmere
