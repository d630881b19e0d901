// frakle-lv2-ttl: writes the bundle's manifest.ttl and frakle.ttl from state/'s parameter table,
// so port names, defaults and value lists can never drift from what the plug-in does. Runs at
// build time: frakle-lv2-ttl BUNDLE_DIR BINARY_NAME.
#include "lv2/Ports.h"
#include "state/ParameterTable.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace {

using frakle::state::kNumParams;
using frakle::state::kParamTable;
using frakle::state::ParamInfo;
using frakle::state::ParamKind;

constexpr const char *kPrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                  "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                  "@prefix time: <http://lv2plug.in/ns/ext/time#> .\n"
                                  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

// The shortest text that reads back as the same float, always with a decimal point.
std::string number(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    std::string s(text, result.ptr);
    if (s.find_first_of(".e") == std::string::npos) {
        s += ".0";
    }
    return s;
}

std::string quoted(const char *text) {
    std::string s = "\"";
    for (const char *c = text; *c != 0; ++c) {
        if (static_cast<unsigned char>(*c) >= 0x80 || *c < 0x20) {
            throw std::runtime_error(std::string("label is not plain ASCII: ") + text);
        }
        if (*c == '"' || *c == '\\') {
            s += '\\';
        }
        s += *c;
    }
    return s + "\"";
}

void audioPort(std::ostream &out, uint32_t index, bool input, const char *symbol,
               const char *name) {
    out << "[\n        a lv2:AudioPort, " << (input ? "lv2:InputPort" : "lv2:OutputPort")
        << " ;\n        lv2:index " << index << " ;\n        lv2:symbol \"" << symbol
        << "\" ;\n        lv2:name \"" << name << "\"\n    ]";
}

void atomPort(std::ostream &out, uint32_t index, const char *symbol, const char *name,
              const char *supports, bool designated) {
    out << "[\n        a lv2:InputPort, atom:AtomPort ;\n        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports " << supports << " ;\n";
    if (designated) {
        out << "        lv2:designation lv2:control ;\n";
    }
    out << "        lv2:index " << index << " ;\n        lv2:symbol \"" << symbol
        << "\" ;\n        lv2:name \"" << name << "\"\n    ]";
}

void parameterPort(std::ostream &out, int i, const std::string &symbol) {
    const ParamInfo &info = kParamTable[static_cast<size_t>(i)];
    out << "[\n        a lv2:InputPort, lv2:ControlPort ;\n        lv2:index "
        << frakle::lv2::kFirstParameterPort + static_cast<uint32_t>(i)
        << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name " << quoted(info.label)
        << " ;\n        lv2:default " << number(info.defaultValue)
        << " ;\n        lv2:minimum 0.0 ;\n        lv2:maximum 1.0";
    if (info.kind == ParamKind::Switch) {
        out << " ;\n        lv2:portProperty lv2:toggled";
    } else if (info.kind == ParamKind::Button) {
        out << " ;\n        lv2:portProperty lv2:toggled, pprops:trigger";
    } else if (info.namedValueCount > 0) {
        out << " ;\n        lv2:portProperty lv2:enumeration ;\n        lv2:scalePoint ";
        for (int k = 0; k < info.namedValueCount; ++k) {
            out << (k > 0 ? ", " : "") << "[ rdfs:label " << quoted(info.namedValues[k].name)
                << " ; rdf:value " << number(info.namedValues[k].value) << " ]";
        }
    }
    out << "\n    ]";
}

std::string manifest(const std::string &binary) {
    std::ostringstream out;
    out << kPrefixes << "<" << frakle::lv2::kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <"
        << binary << "> ;\n    rdfs:seeAlso <frakle.ttl> .\n\n<" << frakle::lv2::kUiUri
        << ">\n    a ui:X11UI ;\n    ui:binary <" << binary
        << "> ;\n    rdfs:seeAlso <frakle.ttl> .\n";
    return out.str();
}

std::string description() {
    using namespace frakle::lv2;
    std::ostringstream out;
    out << kPrefixes << "<" << kPluginUri << ">\n    a lv2:Plugin, lv2:DelayPlugin ;\n"
        << "    doap:name \"Frakle\" ;\n    lv2:project <" << kPluginUri << "#project> ;\n"
        << "    rdfs:comment \"A stereo effect that plays one of nine effects on each coded "
           "sixteenth-note step of a pattern, locked to the host's tempo.\" ;\n"
        << "    lv2:requiredFeature urid:map ;\n    lv2:extensionData state:interface ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n    lv2:port ";
    audioPort(out, kInputLeft, true, "in_l", "Input L");
    out << ", ";
    audioPort(out, kInputRight, true, "in_r", "Input R");
    out << ", ";
    audioPort(out, kOutputLeft, false, "out_l", "Output L");
    out << ", ";
    audioPort(out, kOutputRight, false, "out_r", "Output R");
    out << ", ";
    atomPort(out, kTimeInput, "time", "Host Time", "time:Position", true);
    out << ", ";
    atomPort(out, kMidiInput, "midi", "MIDI In", "midi:MidiEvent", false);
    const std::vector<std::string> symbols = ParameterSymbols();
    for (int i = 0; i < kNumParams; ++i) {
        out << ", ";
        parameterPort(out, i, symbols[static_cast<size_t>(i)]);
    }
    out << " .\n\n<" << kPluginUri << "#project>\n    a doap:Project ;\n"
        << "    doap:name \"Frakle\" ;\n    doap:maintainer [ foaf:name \"mosko\" ] .\n\n<"
        << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature ui:idleInterface, ui:parent, "
           "<http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "    lv2:optionalFeature ui:resize, ui:noUserResize ;\n"
        << "    lv2:extensionData ui:idleInterface .\n";
    return out.str();
}

void write(const std::string &path, const std::string &text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file.flush()) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::cerr << "usage: frakle-lv2-ttl BUNDLE_DIR BINARY_NAME\n";
        return 2;
    }
    try {
        const std::string dir = argv[1];
        write(dir + "/manifest.ttl", manifest(argv[2]));
        write(dir + "/frakle.ttl", description());
    } catch (const std::exception &e) {
        std::cerr << "frakle-lv2-ttl: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
