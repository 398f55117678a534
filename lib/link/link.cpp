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

int Link::Read(char* buffer, std::size_t size) {
    if (!handle_.Valid())
        return 0;
    IoResult result = handle_.Read(buffer, size);
    if (result.error != 0 && !result.WouldBlock()) {
        ShowError(result.error, u"Unable to read from the port");
    }
    return static_cast<int>(result.count);
}

int Link::Write(const char* data, std::size_t length) {
    if (!handle_.Valid())
        return 0;
    int error = handle_.WriteAll(data, length);
    if (error != 0)
        ShowError(error, u"Unable to write to the port");
    return error;
}

int Link::WriteWide(TextView text) {
    std::string bytes = ToUtf16LeBytes(text);
    return Write(bytes.data(), bytes.size());
}

int Link::WriteText(std::string_view text) {
    return Write(text.data(), text.size());
}

WaitResult Link::WaitForInput(int timeoutMs) const {
    return handle_.WaitReadable(timeoutMs, &wake_);
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

int Link::Close() {
    if (!handle_.Valid()) {
        SetOpen(false);
        return 0;
    }
    int error = handle_.Close();
    if (error != 0) {
        ShowError(error, u"Unable to close the port");
        return error;
    }
    SetOpen(false);
    return 0;
}

int Link::Open(TextView) {
    SetOpen(true);
    return 0;
}

void Link::NoteFailure(Text text) const {
    std::lock_guard lock(failureMutex_);
    lastFailure_ = std::move(text);
}

Text Link::Endpoint() const {
    Text endpoint = portName_.substr(0, portName_.size() - 1);
    if (!parameters_.empty())
        endpoint += u":" + parameters_;
    return endpoint;
}

Text Link::LastFailure() const {
    std::lock_guard lock(failureMutex_);
    return lastFailure_;
}

void Link::ShowError(int code, TextView text) const {
    NoteFailure(code == 0 ? Text(text) : Text(text) + u" (" + SystemErrorText(code) + u")");
    if (!DisplayErrors())
        return;
    Text message(text);
    message += u"\n(error code ";
    message += NumberText(code);
    message += u")";
    ShowErrorMessage(u"Error", message);
}

}  // namespace dorvex
