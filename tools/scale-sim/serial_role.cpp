#include "serial_role.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/code_page.h"
#include "stop_signal.h"

namespace dorvex::sim {
namespace {

// Bytes outside any frame, a stray ETX among them: the receiver must skip all of it.
constexpr std::string_view kGarbage = "\xFFnoise\x03#\x7F";

speed_t BaudConstant(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B9600;
    }
}

void MakeRaw(int fd, int baud) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return;
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, BaudConstant(baud));
    ::cfsetospeed(&settings, BaudConstant(baud));
    ::tcsetattr(fd, TCSANOW, &settings);
}

bool SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

SerialRole::SerialRole(const SimOptions& options, ScaleService& service)
    : options_(options),
      service_(service),
      deviceLetter_(static_cast<std::uint8_t>(0x60 + options.SerialDevice())) {}

bool SerialRole::OpenPseudoTerminal() {
    line_ = UniqueFd(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!line_.Valid() || ::grantpt(line_.Get()) != 0 || ::unlockpt(line_.Get()) != 0)
        return false;
    char name[128];
    if (::ptsname_r(line_.Get(), name, sizeof name) != 0)
        return false;
    linePath_ = name;
    farSide_ = UniqueFd(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!farSide_.Valid())
        return false;
    // Until the library sets its own modes, the far side must not echo our replies back.
    MakeRaw(farSide_.Get(), options_.baud);
    return true;
}

bool SerialRole::OpenLine() {
    const std::string& device = options_.serialDevice;
    if (device == "pty")
        return OpenPseudoTerminal();
    if (device.rfind("fd:", 0) == 0) {
        line_ = UniqueFd(std::atoi(device.c_str() + 3));
        linePath_ = device;
    } else {
        line_ = UniqueFd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
        linePath_ = device;
    }
    if (!line_.Valid() || !SetNonBlocking(line_.Get()))
        return false;
    if (::isatty(line_.Get()))
        MakeRaw(line_.Get(), options_.baud);
    return true;
}

int SerialRole::Run() {
    if (!OpenLine()) {
        std::fprintf(stderr, "dorvex-scale-sim: cannot open serial line %s: %s\n",
                     options_.serialDevice.c_str(), std::strerror(errno));
        return 1;
    }
    std::printf("serial on %s\n", linePath_.c_str());
    std::fflush(stdout);

    char buffer[4096];
    while (!StopSignal::Raised()) {
        std::int64_t now = TickMs();
        std::int64_t due = output_.Blocked() ? -1 : output_.NextDueMs();
        int waitMs = due < 0 ? 1000 : static_cast<int>(std::max<std::int64_t>(due - now, 0));
        short events = static_cast<short>(POLLIN | (output_.Blocked() ? POLLOUT : 0));
        pollfd fds[2] = {{line_.Get(), events, 0}, {StopSignal::Fd(), POLLIN, 0}};
        if (::poll(fds, 2, waitMs) < 0 && errno != EINTR)
            return 1;
        now = TickMs();
        if (fds[0].revents & POLLIN) {
            ssize_t count = ::read(line_.Get(), buffer, sizeof buffer);
            if (count > 0) {
                for (const std::string& frame :
                     scanner_.Feed(std::string_view(buffer, static_cast<std::size_t>(count))))
                    HandleFrame(frame, now);
            }
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            // Nobody holds the other end (a line we did not create): wait for someone to.
            ::poll(&fds[1], 1, 20);
        }
        if (output_.WriteDue(line_.Get(), now) == WriteOutcome::Failed)
            output_ = OutgoingQueue();
    }
    return 0;
}

void SerialRole::HandleFrame(std::string_view frame, std::int64_t nowMs) {
    std::string_view text;
    if (SerialFrame::AcceptRequest(frame, deviceLetter_)) {
        text = SerialFrame::TextOf(frame);
    } else if (frame.size() >= 2 && frame[1] == '<') {
        // A station byte of 0 sends the bare text between STX and ETX, unaddressed.
        text = frame.substr(1, frame.size() - 2);
    } else {
        return;  // for another device, or damaged
    }
    ServiceReply reply = service_.Handle(DecodeData(text));
    if (!reply.text)
        return;
    QueueReply(ReplyFrame(*reply.text, reply.plan), reply.plan, nowMs + reply.plan.delayMs);
}

std::string SerialRole::ReplyFrame(const Text& text, const ReplyPlan& plan) const {
    std::uint8_t letter =
        plan.wrongDevice ? static_cast<std::uint8_t>(deviceLetter_ + 1) : deviceLetter_;
    std::string frame =
        SerialFrame::Build(static_cast<std::uint8_t>(options_.station), letter, EncodeData(text));
    if (plan.badChecksum && frame.size() >= 6)
        frame[frame.size() - 2] = static_cast<char>(frame[frame.size() - 2] ^ 0x01);
    return frame;
}

void SerialRole::QueueReply(const std::string& frame, const ReplyPlan& plan, std::int64_t dueMs) {
    if (options_.garbageBetween)
        output_.Add(std::string(kGarbage), dueMs);
    if (options_.splitFramesGapMs >= 0)
        output_.AddPieces(SplitIntoPieces(frame, 2, 1), dueMs, options_.splitFramesGapMs);
    else
        output_.AddPieces(SplitIntoPieces(frame, plan.pieces, 1), dueMs, plan.gapMs);
}

}  // namespace dorvex::sim
