#include "link/comm_channel.h"

namespace dorvex {

CommChannel::CommChannel(bool displayErrors, int connectTimeout)
    : displayErrors_(displayErrors), connectTimeout_(connectTimeout) {}

CommChannel::~CommChannel() {
    Close();
}

Result CommChannel::Open(TextView descriptor, TextView deviceNumber, TextView address,
                         int unicode) {
    manager_ = std::make_unique<LinkManager>(descriptor, deviceNumber, address, unicode);
    return manager_->Open(address, displayErrors_, connectTimeout_);
}

void CommChannel::Close() {
    if (manager_) {
        manager_->Close();
        manager_.reset();
    }
}

Result CommChannel::Send(TextView text) {
    return manager_ ? manager_->Send(text) : Result::Failure(u"no link is open");
}

Result CommChannel::SendEncoded(std::string_view bytes) {
    return manager_ ? manager_->SendEncoded(bytes) : Result::Failure(u"no link is open");
}

bool CommChannel::CarriesUtf16() const {
    return manager_ && manager_->CarriesUtf16();
}

std::int64_t CommChannel::ReplyEndUs() const {
    return manager_ ? manager_->MessageEndUs() : 0;
}

Text CommChannel::Receive(int timeoutMs) {
    if (manager_ && manager_->WaitReply(timeoutMs))
        return manager_->Payload();
    return {};
}

void CommChannel::SetReceiveTimeout(int milliseconds) {
    if (manager_)
        manager_->SetReceiveTimeout(milliseconds);
}

void CommChannel::SetDisplayErrors(bool on) {
    displayErrors_ = on;
    if (manager_)
        manager_->SetDisplayErrors(on);
}

void CommChannel::SetConnectTimeout(int milliseconds) {
    connectTimeout_ = milliseconds;
    if (manager_)
        manager_->SetConnectTimeout(milliseconds);
}

void CommChannel::SetDeviceNumber(TextView deviceNumber) {
    if (manager_)
        manager_->SetDeviceNumber(deviceNumber);
}

WaitEnd CommChannel::LastWaitEnd() const {
    return manager_ ? manager_->LastWaitEnd() : WaitEnd::LineLost;
}

void CommChannel::Interrupt() {
    if (manager_)
        manager_->Interrupt();
}

}  // namespace dorvex
