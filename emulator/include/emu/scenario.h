// A scenario: the whole emulated machine described in JSON — platform,
// desktop, locale, registry, driver behaviour, touchscreens and the user's
// actions. The launcher reads one from a file; tests write them inline.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace emu {

// Applies a scenario to the machine (after emu::Reset()). Relative file names
// in it are taken from baseDirectory. Returns an error text, or "" when the
// scenario was applied whole.
std::string ApplyScenario(const nlohmann::json& scenario, const std::string& baseDirectory);

// The machine the launcher runs without a scenario: Windows NT, a 1024 x 768
// desktop, one installed touchscreen whose 12-bit controller has swapped axes
// and an inverted y axis, and a user who touches accurately and answers Yes.
nlohmann::json DemoScenario();

} // namespace emu
