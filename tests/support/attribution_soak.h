// Sends numbered requests through a CommChannel to a simulator that echoes each request's
// sequence number in its reply ("<seq>N" in front), splits some replies and answers some late,
// after the wait gave up but before the next request goes out. Counts the replies that belong
// to another request than the one just sent.
#pragma once

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <thread>

#include "link/comm_channel.h"
#include "support/scale_sim_process.h"

namespace dorvex::test {

struct SoakResult {
    int exchanges = 0;
    int answered = 0;       // a reply came within the wait
    int timedOut = 0;       // the wait gave up (late replies)
    int misattributed = 0;  // a reply carrying another request's number
};

constexpr int kSoakReplyTimeoutMs = 100;
constexpr int kSoakLateByMs = 150;
// The protocol has no request numbers: attribution rests on timing, so the faults keep clear
// margins (split pieces far under the 20 ms quiet time, late replies far before the next
// request) that a loaded machine does not eat up.
constexpr int kSoakSettleMs = 350;

// Simulator options matching RunAttributionSoak.
inline std::vector<std::string> AttributionSoakSimArgs(const std::string& tables) {
    return {"--tables",
            tables,
            "--echo-seq",
            "--split-reply",
            "3:2:4",
            "--late-nth",
            "7:" + std::to_string(kSoakLateByMs)};
}

inline SoakResult RunAttributionSoak(int port, int exchanges, unsigned seed) {
    SoakResult result;
    CommChannel channel(false, 2000);
    if (!channel.Open(u"IPC:" + NumberText(port), u"1", u"127.0.0.1", 0))
        return result;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> pause(0, 3);
    for (int i = 1; i <= exchanges; ++i) {
        ++result.exchanges;
        Text request = u"<idt m=\"r\"><dvn>1<dpn>1<n>" + NumberText(i);
        if (!channel.Send(request))
            break;
        Text reply = channel.Receive(kSoakReplyTimeoutMs);
        if (reply.empty()) {
            ++result.timedOut;
            // Let the late reply arrive before the next request goes out.
            std::this_thread::sleep_for(
                std::chrono::milliseconds(kSoakSettleMs - kSoakReplyTimeoutMs));
            continue;
        }
        ++result.answered;
        Text expected = u"<seq>" + NumberText(i) + u"<";
        if (reply.rfind(expected, 0) != 0) {
            ++result.misattributed;
            std::fprintf(stderr, "request %d got reply %s\n", i, ToUtf8(reply).c_str());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
    }
    channel.Close();
    return result;
}

}  // namespace dorvex::test
