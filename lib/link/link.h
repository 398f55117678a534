// The base of every communication link: a port opened with an address, read from, written to
// and closed. It splits the link descriptor into port name and parameters and shows failures
// through the error display when asked to.
//
// A new link kind is one class derived from Link in its own file pair under lib/link/, plus
// one line in the table of link_factory.cpp. It provides:
//   - kKindCode, the three letters that start its descriptors ("IPC"), and KindCode();
//   - Open(address), Close(), Read(buffer, size) that never blocks, Write(data, length) that
//     succeeds once every byte left, and WaitForInput(timeoutMs), interruptible through the
//     link's wake signal (Wake());
//   - NewFraming(options): how messages travel on its byte stream, usually an existing framing
//     (TcpFraming: plain text ended by a quiet time; SerialFraming: addressed frames); only a
//     new wire rule needs its own, derived from MessageFraming;
//   - HowRepliesAreRead(): whether the caller reads a reply inside its wait for it (a peer that
//     only speaks when asked) or a receive thread reads from open to close (a peer that may
//     speak at any time, or a port that must be served, such as a listener accepting clients).
// Where it applies: WaitForInputUntil for waits to the microsecond, ReadWithArrival when the
// system knows when bytes arrived, DiscardPendingInput when stale input can wait in the
// transport, ConnectionsLost when the peer can go away, Endpoint for messages. Open, Close and
// Write return a Result whose reason names the failure (Failure also shows it when error
// display is on); a failed read is only shown (ShowError).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/result.h"
#include "platform/tcp_socket.h"
#include "platform/text.h"
#include "platform/wake_signal.h"

namespace dorvex {

class MessageFraming;
struct MessageOptions;

enum class RepliesRead { InTheWait, OnReceiveThread };

class Link {
  public:
    explicit Link(TextView descriptor);
    virtual ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    virtual Result Open(TextView address) = 0;
    virtual Result Close() = 0;
    // Bytes read into `buffer` (at most `size`), 0 when none.
    virtual int Read(char* buffer, std::size_t size) = 0;
    // The same with when the bytes arrived (TickUs()); by default the time of the read.
    virtual int ReadWithArrival(char* buffer, std::size_t size, std::int64_t& arrivedUs);
    // Succeeds when every byte was written.
    virtual Result Write(const char* data, std::size_t length) = 0;

    // Input that arrived while nobody waited for it, taken out of the way before a request
    // goes out so that a late reply is never taken for the next one. Empty by default.
    virtual std::string DiscardPendingInput() { return {}; }
    // Waits up to timeoutMs for input to read; Failed when the link cannot deliver any.
    virtual WaitResult WaitForInput(int timeoutMs) const = 0;
    // The same up to a deadline of TickUs(), for the quiet time that ends a TCP message; by
    // default in whole milliseconds, rounded up.
    virtual WaitResult WaitForInputUntil(std::int64_t deadlineUs) const;
    // Wakes any wait of this link (reads, accepts, connects) so a stop takes effect at once.
    void Interrupt() { wake_.Raise(); }
    void ClearInterrupt() { wake_.Reset(); }

    // The three letters of this kind, for the traffic trace.
    virtual std::string_view KindCode() const = 0;
    virtual std::unique_ptr<MessageFraming> NewFraming(const MessageOptions& options) const = 0;
    virtual RepliesRead HowRepliesAreRead() const = 0;

    const Text& PortName() const { return portName_; }
    const Text& Parameters() const { return parameters_; }
    bool IsOpen() const { return isOpen_.load(); }

    void SetDisplayErrors(bool on) { displayErrors_.store(on); }
    bool DisplayErrors() const { return displayErrors_.load(); }
    void SetConnectTimeout(int milliseconds) { connectTimeout_.store(milliseconds); }
    int ConnectTimeout() const { return connectTimeout_.load(); }

    // "%s\n(error code %d)" under the title "Error", only when error display is on.
    void ShowError(int code, TextView text) const;
    // The same, and the failure whose reason is the text with the system's words for the code.
    Result Failure(int code, TextView text) const;
    // Where the link reaches, for messages: the descriptor unless a kind knows better.
    virtual Text Endpoint() const;
    // How many times the far end has gone away since the open; a reply awaited from a peer
    // that left will not come.
    virtual std::uint64_t ConnectionsLost() const { return 0; }

  protected:
    void SetOpen(bool open) { isOpen_.store(open); }
    const WakeSignal& Wake() const { return wake_; }

  private:
    void SplitDescriptor(TextView descriptor);

    std::atomic<bool> isOpen_{false};
    Text portName_;
    Text parameters_;
    std::atomic<bool> displayErrors_{false};
    std::atomic<int> connectTimeout_{5000};
    WakeSignal wake_;
};

}  // namespace dorvex
