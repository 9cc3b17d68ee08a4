#include "emu/trace.h"

#include <fstream>

namespace emu {

namespace {
std::vector<Event> events;
} // namespace

void Record(Event event) {
    events.push_back(std::move(event));
}

const std::vector<Event>& TraceEvents() {
    return events;
}

std::vector<Event> EventsOf(const std::string& kind) {
    std::vector<Event> found;
    for (const Event& event : events) {
        if (event.value("ev", "") == kind) {
            found.push_back(event);
        }
    }
    return found;
}

void ResetTrace() {
    events.clear();
}

bool WriteTrace(const std::string& path) {
    std::ofstream out(path);
    for (const Event& event : events) {
        out << event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    }
    return static_cast<bool>(out);
}

std::string Hex(const void* bytes, std::size_t size) {
    static constexpr char digits[] = "0123456789abcdef";
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::string text;
    text.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        text += digits[p[i] >> 4];
        text += digits[p[i] & 15];
    }
    return text;
}

} // namespace emu
