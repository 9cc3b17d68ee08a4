// vintoq32-sim: runs the program on the emulated Windows desktop.
//
//   vintoq32-sim [--scenario FILE.json] [--registry FILE.reg] [--trace FILE.jsonl]
//                [--shots DIR] [-- PROGRAM-OPTIONS]
#include "program.h"

#include "emu/device.h"
#include "emu/gdi.h"
#include "emu/machine.h"
#include "emu/registry.h"
#include "emu/scenario.h"
#include "emu/trace.h"
#include "emu/virtual_user.h"
#include "emu/window_manager.h"

#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

namespace {

struct Arguments {
    std::string scenario;
    std::string registry;
    std::string trace;
    std::string shots;
    std::vector<std::string> options;
};

void Usage() {
    std::cerr << "usage: vintoq32-sim [--scenario FILE.json] [--registry FILE.reg] "
                 "[--trace FILE.jsonl] [--shots DIR] [-- PROGRAM-OPTIONS]\n";
}

bool ParseArguments(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            args.options.assign(argv + i + 1, argv + argc);
            return true;
        }
        std::string* target = arg == "--scenario"   ? &args.scenario
                              : arg == "--registry" ? &args.registry
                              : arg == "--trace"    ? &args.trace
                              : arg == "--shots"    ? &args.shots
                                                    : nullptr;
        if (target == nullptr || i + 1 >= argc) {
            return false;
        }
        *target = argv[++i];
    }
    return true;
}

bool SetUpMachine(const Arguments& args) {
    emu::Reset();
    nlohmann::json scenario = emu::DemoScenario();
    std::string base = ".";
    if (!args.scenario.empty()) {
        std::ifstream in(args.scenario);
        if (!in) {
            std::cerr << "cannot read " << args.scenario << '\n';
            return false;
        }
        scenario = nlohmann::json::parse(in, nullptr, false);
        base = std::filesystem::path(args.scenario).parent_path().string();
        if (base.empty()) {
            base = ".";
        }
    }
    std::string error = emu::ApplyScenario(scenario, base);
    if (error.empty() && !args.registry.empty() && std::filesystem::exists(args.registry)) {
        emu::RegFileResult loaded = emu::LoadRegFile(args.registry);
        error = loaded.ok ? "" : args.registry + ": " + loaded.error;
    }
    if (!error.empty()) {
        std::cerr << "scenario: " << error << '\n';
        return false;
    }
    return true;
}

// Screenshots whenever a target waits for its touch and whenever a dialog or
// message box is shown.
void TakeScreenshots(const std::string& directory) {
    std::filesystem::create_directories(directory);
    auto counter = std::make_shared<int>(0);
    auto shoot = [directory, counter](const std::string& what) {
        std::ostringstream name;
        name << directory << "/" << std::setw(2) << std::setfill('0') << ++*counter << "-" << what
             << ".png";
        emu::WriteScreenshot(name.str());
    };
    emu::ScreenshotHook() = shoot;
    auto onWait = emu::Driver().onBeginTouchWait;
    emu::Driver().onBeginTouchWait = [onWait, shoot] {
        if (onWait) {
            onWait();
        }
        shoot("target");
    };
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!ParseArguments(argc, argv, args)) {
        Usage();
        return 2;
    }
    if (!SetUpMachine(args)) {
        return 2;
    }
    if (!args.shots.empty()) {
        TakeScreenshots(args.shots);
    }
    int code = sim::RunProgram(args.options);
    sim::WriteTranscript(std::cout);
    if (!args.registry.empty()) {
        emu::SaveRegFile(args.registry);
    }
    if (!args.trace.empty()) {
        emu::WriteTrace(args.trace);
    }
    return code;
}
