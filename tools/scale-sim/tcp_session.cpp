#include "tcp_session.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/clock.h"
#include "stop_signal.h"

namespace dorvex::sim {
namespace {

// A peer that sends without pause must not grow a request without end: past this size the
// bytes so far are taken as one request.
constexpr std::size_t kMaxRequestBytes = 16 * 1024 * 1024;

}  // namespace

TcpSession::TcpSession(UniqueFd fd, ScaleService& service, const SimOptions& options)
    : fd_(std::move(fd)), service_(service), options_(options), codec_(options.unicode) {}

short TcpSession::PollEvents() const {
    short events = POLLIN;
    if (output_.Blocked())
        events |= POLLOUT;
    return events;
}

std::int64_t TcpSession::NextDeadlineMs() const {
    std::int64_t deadline = output_.Blocked() ? -1 : output_.NextDueMs();
    if (!input_.empty()) {
        std::int64_t quietEnd = lastByteMs_ + options_.quietMs;
        deadline = deadline < 0 ? quietEnd : std::min(deadline, quietEnd);
    }
    return deadline;
}

bool TcpSession::ReadAvailable(std::int64_t nowMs) {
    char buffer[65536];
    bool received = false;
    while (true) {
        ssize_t count = ::read(fd_.Get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (count <= 0) {
            // What arrived before the end is still a request the scale received.
            if (!input_.empty())
                CompleteRequest(nowMs);
            return false;
        }
        // Once the connection is to be closed, requests are no longer taken.
        if (!closing_) {
            input_.append(buffer, static_cast<std::size_t>(count));
            received = true;
        }
        if (input_.size() >= kMaxRequestBytes)
            CompleteRequest(nowMs);
    }
    if (received) {
        lastByteMs_ = nowMs;
        if (!options_.strictQuiet && LooksWhole())
            CompleteRequest(nowMs);
    }
    return true;
}

// The library writes a request in one go, so on loopback it is whole once the socket is dry;
// a text that does not even hold its leading tag yet waits for the quiet time.
bool TcpSession::LooksWhole() const {
    if (input_.size() % codec_.UnitSize() != 0)
        return false;
    Text text = codec_.Decode(input_);
    return !text.empty() && text[0] == u'<' && Contains(text, u"\">");
}

void TcpSession::CompleteRequest(std::int64_t nowMs) {
    Text request = codec_.Decode(input_);
    input_.clear();
    ServiceReply reply = service_.Handle(request);
    ++handled_;
    std::int64_t dueMs = nowMs + reply.plan.delayMs;
    if (reply.text) {
        output_.AddPieces(
            SplitIntoPieces(codec_.Encode(*reply.text), reply.plan.pieces, codec_.UnitSize()),
            dueMs, reply.plan.gapMs);
    }
    if (options_.closeAfter > 0 && handled_ >= options_.closeAfter) {
        output_.AddClose(dueMs);
        closing_ = true;
    }
}

bool TcpSession::Advance(std::int64_t nowMs) {
    if (!input_.empty() && nowMs - lastByteMs_ >= options_.quietMs)
        CompleteRequest(nowMs);
    return output_.WriteDue(fd_.Get(), nowMs) == WriteOutcome::Written;
}

void AddSessionsToPoll(const TcpSessions& sessions, std::vector<pollfd>& fds, std::int64_t nowMs,
                       std::int64_t& waitMs) {
    for (const auto& session : sessions) {
        fds.push_back({session->Fd(), session->PollEvents(), 0});
        if (std::int64_t deadline = session->NextDeadlineMs(); deadline >= 0)
            waitMs = std::min(waitMs, std::max<std::int64_t>(deadline - nowMs, 0));
    }
}

void ServePolledSessions(TcpSessions& sessions, const pollfd* results, std::int64_t nowMs) {
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        short events = results[i].revents;
        bool alive = true;
        if (events & (POLLIN | POLLHUP | POLLERR))
            alive = sessions[i]->ReadAvailable(nowMs);
        // A peer that has closed may have sent its last request with the close: what is due
        // is still written, as far as the socket takes it.
        if (!sessions[i]->Advance(nowMs) || !alive)
            sessions[i].reset();
    }
    std::erase(sessions, nullptr);
}

bool ServeSessions(TcpSessions& sessions, int listenFd, std::int64_t maxWaitMs) {
    std::vector<pollfd> fds;
    fds.push_back({StopSignal::Fd(), POLLIN, 0});
    fds.push_back({listenFd, POLLIN, 0});
    std::int64_t waitMs = maxWaitMs;
    AddSessionsToPoll(sessions, fds, TickMs(), waitMs);
    if (::poll(fds.data(), fds.size(), static_cast<int>(waitMs)) < 0 && errno != EINTR)
        return false;
    if (StopSignal::Raised())
        return false;
    ServePolledSessions(sessions, fds.data() + 2, TickMs());
    return listenFd >= 0 && (fds[1].revents & POLLIN) != 0;
}

}  // namespace dorvex::sim
