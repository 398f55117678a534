// One TCP connection to the library: cuts the incoming bytes into requests, hands them to the
// scale and sends the replies when they are due.
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "outgoing_queue.h"
#include "scale_service.h"
#include "sim_options.h"
#include "unique_fd.h"
#include "wire_codec.h"

namespace dorvex::sim {

class TcpSession {
  public:
    // `fd` is a connected, non-blocking socket.
    TcpSession(UniqueFd fd, ScaleService& service, const SimOptions& options);

    int Fd() const { return fd_.Get(); }
    short PollEvents() const;
    // When something must happen without a descriptor event (a request's quiet time ends, a
    // reply is due), or -1.
    std::int64_t NextDeadlineMs() const;
    // Reads what has arrived. False when the peer has closed the connection or it failed.
    bool ReadAvailable(std::int64_t nowMs);
    // Completes a request whose quiet time has passed and writes what is due. False when the
    // session is over.
    bool Advance(std::int64_t nowMs);

  private:
    bool LooksWhole() const;
    void CompleteRequest(std::int64_t nowMs);

    UniqueFd fd_;
    ScaleService& service_;
    const SimOptions& options_;
    WireCodec codec_;
    std::string input_;
    std::int64_t lastByteMs_ = 0;
    OutgoingQueue output_;
    int handled_ = 0;
    bool closing_ = false;
};

using TcpSessions = std::vector<std::unique_ptr<TcpSession>>;

// Appends the sessions' descriptors to `fds`, in order, and shortens `waitMs` to the time
// until the nearest thing a session has due.
void AddSessionsToPoll(const TcpSessions& sessions, std::vector<pollfd>& fds, std::int64_t nowMs,
                       std::int64_t& waitMs);
// Serves the sessions after a poll whose results for them start at `results` (as many as
// there are sessions), and drops those that ended.
void ServePolledSessions(TcpSessions& sessions, const pollfd* results, std::int64_t nowMs);

// Waits (at most `maxWaitMs`) until a session or `listenFd` (-1: none) is ready, something is
// due or a stop is signalled, then serves the sessions and drops those that ended. Returns
// whether `listenFd` is ready to accept.
bool ServeSessions(TcpSessions& sessions, int listenFd, std::int64_t maxWaitMs);

}  // namespace dorvex::sim
