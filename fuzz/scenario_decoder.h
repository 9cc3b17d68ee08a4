// Fuzzed bytes turned into a machine for one whole run: the same JSON scenario
// that the tests and the launcher use, so that any input the fuzzer finds can
// be printed and pasted into a regression test as it is.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

struct DecodedRun {
    nlohmann::json machine;
    std::string commandLine;
    bool windowsNT = true;
};

DecodedRun DecodeRun(const std::uint8_t* data, std::size_t size);

// The service key, and the key of screen n in the platform's form.
extern const char* const ServiceKey;
std::string ScreenKey(int screen, bool windowsNT);

} // namespace fuzz
