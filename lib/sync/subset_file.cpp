#include "sync/subset_file.h"

#include <atomic>
#include <filesystem>
#include <random>

#include "engine/file_name_rules.h"
#include "platform/code_page.h"
#include "platform/file_write.h"
#include "platform/path.h"
#include "platform/process_id.h"

namespace dorvex {
namespace {

namespace fs = std::filesystem;

std::atomic<unsigned> subsetCount{0};

std::string Encode(TextView header, const std::vector<Text>& lines, bool wide) {
    std::string bytes;
    auto add = [&](TextView line) {
        Text text(line);
        text += u"\r\n";
        bytes += wide ? ToUtf16LeBytes(text) : EncodeData(text);
    };
    if (wide)
        bytes += ToUtf16LeBytes(u"\uFEFF");
    add(header);
    for (const Text& line : lines)
        add(line);
    return bytes;
}

}  // namespace

SubsetFile::~SubsetFile() {
    Remove();
}

bool SubsetFile::Create(TextView name, TextView header, const std::vector<Text>& lines,
                        Text& reason) {
    Remove();
    std::error_code error;
    const fs::path temp = fs::temp_directory_path(error);
    if (error) {
        reason = u"no temporary directory: " + FromUtf8(error.message());
        return false;
    }
    const std::uint64_t salt = std::random_device()();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const Text leaf = u"dorvex-rows-" + NumberText(ProcessId()) + u"-" +
                          NumberText(subsetCount.fetch_add(1)) + u"-" +
                          NumberText(static_cast<std::int64_t>(salt & 0xFFFFFF));
        const fs::path candidate = temp / fs::path(leaf);
        if (fs::create_directory(candidate, error)) {
            directory_ = candidate.u16string();
            break;
        }
        if (error) {
            reason = u"cannot create " + candidate.u16string() + u": " + FromUtf8(error.message());
            return false;
        }
    }
    if (directory_.empty()) {
        reason = u"no free name for a temporary directory";
        return false;
    }
    name_ = Text(name);
    const bool wide = FileNameRules::EncodingOf(name_) == FileNameRules::Encoding::Wide;
    if (int code = ReplaceFileContents(JoinPath(directory_, name_), Encode(header, lines, wide));
        code != 0) {
        reason = u"cannot write " + JoinPath(directory_, name_) + u": " + SystemErrorText(code);
        Remove();
        return false;
    }
    return true;
}

bool SubsetFile::Remove(Text* left) {
    if (directory_.empty())
        return true;
    std::error_code error;
    fs::remove_all(fs::path(directory_), error);
    if (error && left != nullptr)
        *left = directory_ + u": " + FromUtf8(error.message());
    directory_.clear();
    return !error;
}

}  // namespace dorvex
