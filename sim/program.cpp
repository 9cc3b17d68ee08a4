#include "program.h"

#include "context/context.h"
#include "emu/machine.h"
#include "emu/trace.h"

#include <iomanip>
#include <sstream>
#include <ostream>
#include <windows.h>

namespace sim {

namespace {

using nlohmann::json;

std::string Quote(const json& text) {
    return "\"" + text.get<std::string>() + "\"";
}

std::string Describe(const json& e) {
    const std::string kind = e.value("ev", "");
    std::ostringstream line;
    if (kind == "window") {
        line << e.value("op", "") << " window " << e.value("class", "") << " at ("
             << e.value("x", 0) << ", " << e.value("y", 0) << ") " << e.value("w", 0) << " x "
             << e.value("h", 0);
    } else if (kind == "ioctl") {
        line << "driver  " << std::left << std::setw(21) << e.value("name", "")
             << (e.value("ok", false) ? " ok    " : " FAILED") << " in " << e.value("in", "")
             << "  out " << e.value("out", "");
        if (e.contains("polls")) {
            line << "  (" << e["polls"].get<unsigned>() << " polls)";
        }
    } else if (kind == "touch") {
        line << "touch   ";
        if (e.contains("x")) {
            line << "at (" << e["x"].get<int>() << ", " << e["y"].get<int>() << ") ";
        }
        line << "raw (" << e["raw"][0].get<int>() << ", " << e["raw"][1].get<int>() << ")";
    } else if (kind == "dialog") {
        line << "dialog  " << e.value("template", "") << " " << Quote(e.value("caption", json("")))
             << " at (" << e.value("x", 0) << ", " << e.value("y", 0) << ")";
        const json items = e.value("items", json::object());
        for (const auto& [id, text] : items.items()) {
            line << "\n          [" << id << "] " << Quote(text);
        }
        line << "\n          user: " << e.value("action", "") << ", result "
             << e.value("result", json(0)).dump();
    } else if (kind == "messagebox") {
        line << "message " << Quote(e.value("text", json(""))) << " caption "
             << Quote(e.value("caption", json(""))) << " type " << e.value("type", 0);
    } else if (kind == "regset") {
        line << "regset  " << e.value("key", "") << " " << e.value("name", "") << " = "
             << e.value("data", json()).dump() << " (type " << e.value("type", 0) << ", status "
             << e.value("status", 0) << ")";
    } else if (kind == "key") {
        line << "key     vk " << e.value("vk", 0);
    } else if (kind == "exit") {
        line << "exit code " << e.value("code", 0);
    } else {
        return "";
    }
    return line.str();
}

} // namespace

int RunProgram(const std::string& commandLine) {
    // The platform's start-up hands WinMain the command-line tail without the
    // blanks and control characters in front of it.
    std::size_t first = 0;
    while (first < commandLine.size() && static_cast<unsigned char>(commandLine[first]) <= ' ') {
        ++first;
    }
    // WinMain may cut the command-line text in place, as on Windows.
    std::vector<char> text(commandLine.begin() + static_cast<std::ptrdiff_t>(first),
                           commandLine.end());
    text.push_back('\0');
    Context = CalibrationContext{};
    int code = WinMain(emu::ProgramInstance(), nullptr, text.data(), SW_SHOWDEFAULT);
    emu::Record({{"ev", "exit"}, {"code", code}});
    return code;
}

int RunProgram(const std::vector<std::string>& options) {
    std::string commandLine;
    for (const std::string& option : options) {
        commandLine += (commandLine.empty() ? "" : " ") + option;
    }
    return RunProgram(commandLine);
}

void WriteTranscript(std::ostream& out) {
    for (const json& event : emu::TraceEvents()) {
        std::string line = Describe(event);
        if (!line.empty()) {
            out << line << '\n';
        }
    }
}

} // namespace sim
