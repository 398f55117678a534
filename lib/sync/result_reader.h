// Reads a result file back exactly as the engine wrote it: the header, then one line per
// reply in request order. Unlike a data file, blank lines count: an error reply without text
// still stands for its request.
#pragma once

#include <optional>
#include <vector>

#include "platform/text.h"

namespace dorvex {

struct ResultLines {
    Text header;
    std::vector<Text> lines;
};

class ResultReader {
  public:
    // A result file larger than this is not read.
    static constexpr std::uint64_t kMaxBytes = 1ULL << 30;

    // Nothing (with the reason) when the file is missing or unreadable.
    static std::optional<ResultLines> Read(TextView path, bool wide, Text& reason);
    static ResultLines Split(TextView text);
};

}  // namespace dorvex
