#include "engine/request_list.h"

namespace dorvex {

void RequestList::Clear() {
    Text().swap(buffer_);
    std::vector<std::size_t>().swap(ends_);
}

TextView RequestList::At(std::size_t index) const {
    if (index >= ends_.size())
        return {};
    std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return TextView(buffer_).substr(begin, ends_[index] - begin);
}

void RequestList::Append(TextView body) {
    buffer_.append(body);
    EndRequest();
}

}  // namespace dorvex
