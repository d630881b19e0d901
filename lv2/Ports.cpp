// The symbols of the parameter ports, made from the labels of state/'s parameter table. Any
// thread; used by the Turtle generator.
#include "lv2/Ports.h"

#include <algorithm>
#include <cctype>

namespace frakle::lv2 {

std::vector<std::string> ParameterSymbols() {
    std::vector<std::string> symbols;
    for (const state::ParamInfo &info : state::kParamTable) {
        std::string symbol;
        bool gap = false;
        for (const char *c = info.label; *c != 0; ++c) {
            const auto ch = static_cast<unsigned char>(*c);
            if (std::isalnum(ch) != 0 && ch < 0x80) {
                if (gap && !symbol.empty()) {
                    symbol += '_';
                }
                symbol += static_cast<char>(std::tolower(ch));
                gap = false;
            } else {
                gap = true;
            }
        }
        if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0])) != 0) {
            symbol = "p" + symbol;
        }
        if (std::find(symbols.begin(), symbols.end(), symbol) != symbols.end()) {
            symbol += "_2";
        }
        symbols.push_back(symbol);
    }
    return symbols;
}

} // namespace frakle::lv2
