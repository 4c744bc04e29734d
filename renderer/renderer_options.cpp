#include "renderer_options.h"

#include <string_view>

#include "saver_contract.h"
#include "window_id.h"

namespace quillmere {

RendererOptions ParseRendererOptions(int argc, const char* const* argv) {
    RendererOptions options;
    const std::string option = kWindowIdOption;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        std::string_view value;
        if (argument == option) {
            if (i + 1 >= argc) {
                options.error = option + " needs the id of a window to draw in";
                return options;
            }
            value = argv[++i];
        } else if (argument.starts_with(option + "=")) {
            value = argument.substr(option.size() + 1);
        } else {
            options.error = "unknown argument '" + std::string(argument) + "'";
            return options;
        }
        const auto id = ParseWindowId(value);
        if (!id || options.windowId != 0) {
            options.error = options.windowId != 0
                                ? option + " given twice"
                                : "'" + std::string(value) +
                                      "' is no window id (decimal, or hexadecimal after 0x)";
            return options;
        }
        options.windowId = *id;
    }
    return options;
}

}  // namespace quillmere
