#include "link/link.h"

#include <algorithm>

#include "platform/clock.h"
#include "platform/error_display.h"
#include "platform/file_write.h"

namespace dorvex {

Link::Link(TextView descriptor) {
    SplitDescriptor(descriptor);
}

Link::~Link() = default;

void Link::SplitDescriptor(TextView descriptor) {
    std::size_t colon = descriptor.find(u':');
    if (colon == TextView::npos) {
        portName_ = Text(descriptor);
        parameters_.clear();
    } else {
        portName_ = Trim(descriptor.substr(0, colon));
        parameters_ = Text(descriptor.substr(colon + 1));
    }
    portName_.push_back(u':');
}

int Link::ReadWithArrival(char* buffer, std::size_t size, std::int64_t& arrivedUs) {
    const int n = Read(buffer, size);
    arrivedUs = TickUs();
    return n;
}

WaitResult Link::WaitForInputUntil(std::int64_t deadlineUs) const {
    const std::int64_t leftUs = std::max<std::int64_t>(deadlineUs - TickUs(), 0);
    return WaitForInput(static_cast<int>(std::min<std::int64_t>((leftUs + 999) / 1000, 1 << 30)));
}

Text Link::Endpoint() const {
    Text endpoint = portName_.substr(0, portName_.size() - 1);
    if (!parameters_.empty())
        endpoint += u":" + parameters_;
    return endpoint;
}

Result Link::Failure(int code, TextView text) const {
    ShowError(code, text);
    return Result::Failure(code == 0 ? Text(text)
                                     : Text(text) + u" (" + SystemErrorText(code) + u")");
}

void Link::ShowError(int code, TextView text) const {
    if (!DisplayErrors())
        return;
    Text message(text);
    message += u"\n(error code ";
    message += NumberText(code);
    message += u")";
    ShowErrorMessage(u"Error", message);
}

}  // namespace dorvex
