// The engine's handle on the communication: creates a LinkManager on open, forwards sending
// and receiving to it, and releases it on close.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "link/link_manager.h"
#include "platform/result.h"
#include "platform/text.h"

namespace dorvex {

class CommChannel {
  public:
    CommChannel(bool displayErrors, int connectTimeout);
    ~CommChannel();
    CommChannel(const CommChannel&) = delete;
    CommChannel& operator=(const CommChannel&) = delete;

    // The manager stays even after a failed open so that Close releases it.
    Result Open(TextView descriptor, TextView deviceNumber, TextView address, int unicode);
    void Close();

    // The failure's reason names the link; "no link is open" when none is.
    Result Send(TextView text);
    // Sends bytes already in the link's encoding (see CarriesUtf16).
    Result SendEncoded(std::string_view bytes);
    // True when the link carries UTF-16LE text, false when it carries the data code page.
    bool CarriesUtf16() const;
    // The reply to the latest Send, or empty when none came within timeoutMs.
    Text Receive(int timeoutMs);
    // When the latest reply was complete (see LinkManager::MessageEndUs); 0 before any.
    std::int64_t ReplyEndUs() const;
    void SetReceiveTimeout(int milliseconds);

    void SetDisplayErrors(bool on);
    void SetConnectTimeout(int milliseconds);
    void SetDeviceNumber(TextView deviceNumber);
    // Wakes a wait in progress (used when a transfer is stopped).
    void Interrupt();
    // How the latest Receive ended.
    WaitEnd LastWaitEnd() const;

  private:
    bool displayErrors_;
    int connectTimeout_;
    std::unique_ptr<LinkManager> manager_;
};

}  // namespace dorvex
