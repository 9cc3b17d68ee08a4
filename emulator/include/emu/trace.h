// The trace: everything the user or the driver would notice, in order. Each
// event is a JSON object with an "ev" field (ioctl, window, touch, key,
// dialog, messagebox, regset, beep, cursor, exit, ...).
#pragma once

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace emu {

using Event = nlohmann::json;

void Record(Event event);
const std::vector<Event>& TraceEvents();
// The events whose "ev" is the given kind, in order.
std::vector<Event> EventsOf(const std::string& kind);
void ResetTrace();

// Writes the trace as JSON Lines.
bool WriteTrace(const std::string& path);

// Bytes as a lower-case hex string without separators ("0400040000000200").
std::string Hex(const void* bytes, std::size_t size);

} // namespace emu
