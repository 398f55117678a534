#include "link/traffic_trace.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>

#include "platform/calendar.h"
#include "platform/code_page.h"

namespace dorvex {
namespace {

struct TraceState {
    TraceState() {
        const char* path = std::getenv("DORVEX_TRACE");
        if (path != nullptr && *path != '\0') {
            file.reset(std::fopen(path, "ab"));
        }
        enabled.store(file != nullptr);
    }

    std::mutex mutex;
    TraceHandler handler = nullptr;
    void* context = nullptr;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    std::atomic<bool> enabled{false};
};

TraceState& State() {
    static TraceState state;
    return state;
}

std::string Timestamp() {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    const std::tm utc = UtcCalendar(seconds);
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), "%04d-%02d-%02d %02d:%02d:%02d.%03lldZ",
                  utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                  utc.tm_sec, static_cast<long long>(millis));
    return buffer;
}

std::string VisibleControl(char16_t c) {
    if (c == u'\r')
        return "\\r";
    if (c == u'\n')
        return "\\n";
    char escaped[8];
    std::snprintf(escaped, sizeof(escaped), "\\x%02X", static_cast<unsigned>(c));
    return escaped;
}

// The text with control characters made visible, so that one message stays on one line. The
// stretches between them are converted whole: cheaper, and a surrogate pair stays together.
std::string Readable(TextView text) {
    std::string out;
    out.reserve(text.size() + 16);
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0x20)
            continue;
        out += ToUtf8(text.substr(plain, i - plain));
        out += VisibleControl(text[i]);
        plain = i + 1;
    }
    out += ToUtf8(text.substr(plain));
    return out;
}

std::string Hex(std::string_view bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char b : bytes) {
        if (!out.empty())
            out.push_back(' ');
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

void Emit(std::string_view direction, std::string_view kind, const std::string& body) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    std::string line =
        Timestamp() + " " + std::string(direction) + " " + std::string(kind) + " " + body;
    if (state.handler != nullptr) {
        state.handler(std::string(direction).c_str(), std::string(kind).c_str(), line.c_str(),
                      state.context);
    }
    if (state.file) {
        std::fprintf(state.file.get(), "%s\n", line.c_str());
        std::fflush(state.file.get());
    }
}

}  // namespace

void TrafficTrace::SetHandler(TraceHandler handler, void* context) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.handler = handler;
    state.context = context;
    state.enabled.store(handler != nullptr || state.file != nullptr);
}

bool TrafficTrace::Enabled() {
    return State().enabled.load(std::memory_order_relaxed);
}

void TrafficTrace::Message(std::string_view direction, std::string_view kind,
                           std::string_view bytes, bool unicode, bool isFrame) {
    if (!Enabled())
        return;
    Text text = unicode ? FromUtf16LeBytes(bytes) : DecodeData(bytes);
    std::string body = std::to_string(bytes.size()) + " bytes \"" + Readable(text) + "\"";
    if (isFrame)
        body += " [" + Hex(bytes) + "]";
    Emit(direction, kind, body);
}

void TrafficTrace::Event(std::string_view kind, TextView text) {
    if (!Enabled())
        return;
    Emit("info", kind, Readable(text));
}

}  // namespace dorvex
