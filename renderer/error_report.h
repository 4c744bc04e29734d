// The renderer's only user-visible reports: modal boxes captioned "Error" with an OK button.
// The window-system back end installs the box; until then (and in tests) reports go to a
// replaceable function.
#pragma once

#include <functional>
#include <string>

namespace quillmere {

// Shows text to the user and returns once the user has closed the report.
using ErrorReporter = std::function<void(const std::string& text)>;

// Installs the reporter and returns the previous one. An empty reporter writes to stderr.
ErrorReporter SetErrorReporter(ErrorReporter reporter);
void ReportError(const std::string& text);

}  // namespace quillmere
