// A data file that holds some rows of another, under the same name (so the table, the
// encoding and the result file's name are the same) in a directory of its own, removed with
// the object. The engine reads a data file whole when a transfer starts, so the file may go
// as soon as the transfer has started.
#pragma once

#include <vector>

#include "platform/text.h"

namespace dorvex {

class SubsetFile {
  public:
    SubsetFile() = default;
    ~SubsetFile();
    SubsetFile(const SubsetFile&) = delete;
    SubsetFile& operator=(const SubsetFile&) = delete;

    // Writes `header` and `lines` to a new directory under the system's temporary directory,
    // encoded as `name` says (".csv" in the data code page, else UTF-16LE with a byte-order
    // mark). False with the reason.
    bool Create(TextView name, TextView header, const std::vector<Text>& lines, Text& reason);
    // False when the directory could not be removed (what is left is then named in `left`).
    bool Remove(Text* left = nullptr);

    const Text& Directory() const { return directory_; }
    const Text& Name() const { return name_; }

  private:
    Text directory_;
    Text name_;
};

}  // namespace dorvex
