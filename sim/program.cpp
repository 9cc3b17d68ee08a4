#include "program.h"

#include "context/command_line_tail.h"
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

constexpr const char* ProgramName = "vintoq32.exe";

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
    // The process command line as Windows would hold it, and from it the tail
    // that the program's own start-up hands to WinMain: without the program
    // name and the white space in front of the options. WinMain may cut the
    // text in place, as on Windows.
    const std::string processLine = std::string(ProgramName) + " " + commandLine;
    std::vector<char> line(processLine.begin(), processLine.end());
    line.push_back('\0');
    Context = CalibrationContext{};
    int code =
        WinMain(emu::ProgramInstance(), nullptr, CommandLineTail(line.data()), SW_SHOWDEFAULT);
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
