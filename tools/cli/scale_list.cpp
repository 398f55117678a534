#include "scale_list.h"

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace dorvex::cli {
namespace {

constexpr std::size_t kMaxFileBytes = ScaleList::kMaxScales * ScaleList::kMaxLineLength;

std::string WithoutComment(const std::string& line) {
    std::string text = line.substr(0, line.find('#'));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(" \t") == std::string::npos;
}

}  // namespace

bool ScaleList::IsValidName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..")
        return false;
    for (unsigned char c : name) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || c == '.';
        if (!allowed)
            return false;
    }
    return true;
}

std::optional<Scale> ScaleList::ParseLine(const std::string& line, const std::string& where,
                                          std::string& error) {
    if (line.size() > kMaxLineLength) {
        error = where + ": longer than " + std::to_string(kMaxLineLength) + " characters";
        return std::nullopt;
    }
    std::istringstream fields(line);
    std::vector<std::string> parts(std::istream_iterator<std::string>(fields), {});
    if (parts.size() != 4) {
        error = where + ": expected NAME LINK ADDRESS DEVICE, found " +
                std::to_string(parts.size()) + " fields";
        return std::nullopt;
    }
    Scale scale{parts[0], parts[1], parts[2], parts[3]};
    if (!IsValidName(scale.name)) {
        error = where + ": the name \"" + scale.name +
                "\" must be 1 to 64 letters, digits, \"-\", \"_\" or \".\" (not \".\" or \"..\")";
        return std::nullopt;
    }
    return scale;
}

bool ScaleList::CheckUnique(const std::vector<Scale>& scales, std::string& error) {
    std::set<std::string> seen;
    for (const Scale& scale : scales) {
        if (!seen.insert(scale.name).second) {
            error = "the scale name \"" + scale.name + "\" is used twice";
            return false;
        }
    }
    if (scales.size() > kMaxScales) {
        error = "more than " + std::to_string(kMaxScales) + " scales";
        return false;
    }
    return true;
}

std::optional<std::vector<Scale>> ScaleList::Parse(const std::string& text, std::string& error) {
    std::vector<Scale> scales;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string content = WithoutComment(line);
        if (IsBlank(content))
            continue;
        std::optional<Scale> scale = ParseLine(content, "line " + std::to_string(number), error);
        if (!scale)
            return std::nullopt;
        for (const Scale& earlier : scales) {
            if (earlier.name == scale->name) {
                error = "line " + std::to_string(number) + ": the name \"" + scale->name +
                        "\" is already used";
                return std::nullopt;
            }
        }
        scales.push_back(std::move(*scale));
        if (scales.size() > kMaxScales) {
            error = "line " + std::to_string(number) + ": more than " + std::to_string(kMaxScales) +
                    " scales";
            return std::nullopt;
        }
    }
    if (scales.empty()) {
        error = "no scale is listed";
        return std::nullopt;
    }
    return scales;
}

std::optional<std::vector<Scale>> ScaleList::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    std::string text;
    text.resize(kMaxFileBytes + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxFileBytes) + " bytes";
        return std::nullopt;
    }
    std::optional<std::vector<Scale>> scales = Parse(text, error);
    if (!scales)
        error = path + ": " + error;
    return scales;
}

std::optional<std::vector<Scale>> ScaleList::Gather(const std::string& scalesFile,
                                                    const std::vector<std::string>& scaleLines,
                                                    std::string& error) {
    std::vector<Scale> scales;
    if (!scalesFile.empty()) {
        std::optional<std::vector<Scale>> listed = Load(scalesFile, error);
        if (!listed)
            return std::nullopt;
        scales = std::move(*listed);
    }
    for (const std::string& line : scaleLines) {
        std::optional<Scale> scale = ParseLine(line, "--scale \"" + line + "\"", error);
        if (!scale)
            return std::nullopt;
        scales.push_back(std::move(*scale));
    }
    if (!CheckUnique(scales, error))
        return std::nullopt;
    return scales;
}

}  // namespace dorvex::cli
