// Request bodies in sending order, kept in one buffer: a million-row file must not cost a
// heap block per request.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/text.h"

namespace dorvex {

class RequestList {
  public:
    void Clear();
    bool Empty() const { return ends_.empty(); }
    std::size_t Size() const { return ends_.size(); }
    TextView At(std::size_t index) const;

    void Append(TextView body);
    // For builders that append in place: write the body to Buffer(), then EndRequest().
    Text& Buffer() { return buffer_; }
    void EndRequest() { ends_.push_back(buffer_.size()); }

  private:
    Text buffer_;
    std::vector<std::size_t> ends_;
};

}  // namespace dorvex
