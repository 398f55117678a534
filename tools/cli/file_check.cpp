#include "file_check.h"

#include <cstring>

#include "dorvex.h"
#include "reason_texts.h"

namespace dorvex::cli {
namespace {

constexpr int kFirstPlanSize = 1 << 16;
constexpr int kLargestPlanSize = 1 << 26;

struct PlanText {
    bool accepted = false;
    std::string text;
};

// A refused plan does not tell its length: a copy that fills the buffer may have been cut.
PlanText ReadPlan(const CliOptions& options) {
    PlanText plan;
    std::string buffer;
    for (int size = kFirstPlanSize;;) {
        buffer.assign(static_cast<std::size_t>(size), '\0');
        const int length =
            PlanTransfer(options.tableFile.c_str(), options.inputDir.c_str(),
                         options.argument.c_str(), options.mode.c_str(), options.device.c_str(),
                         options.marker.c_str(), buffer.data(), size);
        plan.accepted = length >= 0;
        const int copied = static_cast<int>(std::strlen(buffer.c_str()));
        const bool cut = plan.accepted ? length >= size : copied + 4 >= size;
        if (!cut || size >= kLargestPlanSize) {
            plan.text.assign(buffer.c_str(), static_cast<std::size_t>(copied));
            return plan;
        }
        size = plan.accepted ? length + 1 : size * 4;
    }
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

}  // namespace

CheckReport CheckDataFile(const CliOptions& options) {
    const PlanText plan = ReadPlan(options);
    CheckReport report;
    report.ok = plan.accepted;
    report.lines = Lines(plan.text);
    if (!plan.accepted)
        report.lines.push_back("error: " + LastErrorText());
    return report;
}

}  // namespace dorvex::cli
