// The link of kind "COM": a serial port, either a plain point-to-point line or a two-wire
// RS485 bus on which RTS switches the transceiver to transmit for the length of each write.
// The descriptor is "COMn:baud|mode"; the mode "RS485" (exactly) selects the bus.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "link/link.h"
#include "platform/serial_port.h"

namespace dorvex {

class SerialLink final : public Link {
  public:
    enum class LineMode { Normal = 1, Rs485 = 2 };

    static constexpr std::string_view kKindCode = "COM";
    static constexpr int kDefaultBaud = 9600;
    // A read waits at most this long for a first byte.
    static constexpr int kReadWaitMs = 200;
    // A frame this long (the longest one) is followed by a pause so the scale can digest it.
    static constexpr std::size_t kFullFrame = 65534;
    static constexpr int kFullFramePauseMs = 500;
    // RTS stays on this long after the transmitter is empty.
    static constexpr std::chrono::milliseconds kRtsHold{3};

    explicit SerialLink(TextView descriptor);
    ~SerialLink() override;

    Result Open(TextView address) override;
    int Read(char* buffer, std::size_t size) override;
    // On the bus, RTS frames the write, and a full-size frame is followed by a pause.
    Result Write(const char* data, std::size_t length) override;
    Result Close() override;
    WaitResult WaitForInput(int timeoutMs) const override;

    std::string_view KindCode() const override { return kKindCode; }
    std::unique_ptr<MessageFraming> NewFraming(const MessageOptions& options) const override;
    // The bus may carry frames at any time: they are read from open to close.
    RepliesRead HowRepliesAreRead() const override { return RepliesRead::OnReceiveThread; }

    LineMode Mode() const { return mode_; }
    int Baud() const { return baud_; }
    // True when the kernel switches RTS; false when this link does it around each write.
    bool KernelRs485() const { return kernelRs485_; }
    // The port number of a name "COMn" (any letter case, with or without the ":"), else 0.
    static int PortNumber(TextView portName);

  private:
    void ReadParameters(TextView parameters);
    bool KernelRs485Wanted() const;
    Result WriteOnLine(std::string_view bytes);
    Result WriteOnBus(std::string_view bytes);

    SerialPort port_;
    LineMode mode_ = LineMode::Normal;
    int baud_ = kDefaultBaud;
    bool kernelRs485_ = false;
    bool readFailing_ = false;
    std::mutex writeMutex_;  // one writer on the line at a time
};

}  // namespace dorvex
