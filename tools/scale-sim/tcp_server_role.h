// The scale as TCP server on 127.0.0.1: the library's client link connects to it. With
// --scales, many scales, each on its own port, all served by one poll loop: a scale that
// waits costs nothing, and a delay on one never holds back the others.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim_options.h"
#include "simulated_scale.h"
#include "tcp_session.h"
#include "unique_fd.h"

namespace dorvex::sim {

class TcpServerRole {
  public:
    // `options` are the process's; each scale carries its own.
    TcpServerRole(const SimOptions& options,
                  const std::vector<std::unique_ptr<SimulatedScale>>& scales);
    // Serves until stopped; the process exit status.
    int Run();

  private:
    struct Endpoint {
        SimulatedScale* scale = nullptr;
        std::string name;
        UniqueFd listener;
        int port = 0;
        TcpSessions sessions;
        int accepted = 0;
        std::int64_t acceptPausedUntilMs = 0;
    };

    bool ListenAll();
    bool WriteListFiles() const;
    void RemoveListFiles() const;
    void Announce() const;
    // False when waiting failed.
    bool ServeUntilStopped();
    // The listener's descriptor to poll, or -1 while accepting pauses.
    int ListenerToPoll(const Endpoint& endpoint, std::int64_t nowMs, std::int64_t& waitMs) const;
    void Accept(Endpoint& endpoint, std::int64_t nowMs);
    // " as NAME", " on NAME": only when there are many scales, so one scale prints as ever.
    std::string Suffix(const char* word, const Endpoint& endpoint) const;

    const SimOptions& options_;
    std::vector<Endpoint> endpoints_;
};

}  // namespace dorvex::sim
