// Number parsing for the command-line tools.
#include "tools/common/ToolSupport.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace frakle::tools {

double parseNumber(const std::string &text, const std::string &what) {
    char *end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0 || !std::isfinite(value)) {
        throw ToolError(what + " must be a number, not '" + text + "'");
    }
    return value;
}

long long parseInteger(const std::string &text, const std::string &what) {
    char *end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno != 0) {
        throw ToolError(what + " must be a whole number, not '" + text + "'");
    }
    return value;
}

} // namespace frakle::tools
