// Reads back, by key, every selected row of a data file from the scale of an engine and
// compares it with the file field by field (see sync/value_match.h). The report names each
// row that differs, with the file's and the scale's values, and each row the scale lacks.
#pragma once

#include <memory>

#include "api/engine_registry.h"

namespace dorvex {

struct VerifyRequest {
    Text fileName;
    Text keyColumn;  // empty: the first column
    Text filter;
};

struct VerifySummary {
    int checked = 0;
    int matching = 0;
    int differing = 0;
    int missing = 0;
};

class VerifySession {
  public:
    VerifySession(std::shared_ptr<EngineRegistry::Entry> entry, VerifyRequest request);

    // The number of rows that differ or are missing (0: all match), or -1 when the rows
    // could not be read back (the reason says why).
    int Run(Text& reason);

    const VerifySummary& Summary() const { return summary_; }
    const Text& Report() const { return report_; }

  private:
    struct FileRow {
        Text key;
        std::vector<Text> values;
    };

    void Compare(const FileRow& row, TextView line);

    std::shared_ptr<EngineRegistry::Entry> entry_;
    VerifyRequest request_;
    std::vector<Text> columns_;     // the file's column names
    std::vector<int> scaleColumn_;  // per file column, its place in the result, or -1
    std::size_t scaleFieldCount_ = 0;
    Text keyName_;
    Text marker_;
    VerifySummary summary_;
    Text report_;
};

}  // namespace dorvex
