// The simulator's other roles: serial scale on a pseudo-terminal, and TCP client of a
// listening port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>

#include <string>
#include <thread>

#include "link/serial_frame.h"
#include "platform/code_page.h"
#include "support/raw_client.h"
#include "support/scale_sim_process.h"

namespace dorvex::test {
namespace {

// The library's end of the serial line.
class LineEnd {
  public:
    explicit LineEnd(const std::string& path)
        : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios settings{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &settings) == 0) {
            ::cfmakeraw(&settings);
            ::tcsetattr(fd_, TCSANOW, &settings);
        }
    }
    ~LineEnd() { ::close(fd_); }
    LineEnd(const LineEnd&) = delete;
    LineEnd& operator=(const LineEnd&) = delete;

    bool Open() const { return fd_ >= 0; }

    void SendRequest(std::u16string_view text, std::uint8_t letter, std::uint8_t station) {
        for (const std::string& frame :
             SerialFrame::BuildRequests(EncodeData(text), letter, station))
            SendRaw(frame);
    }
    void SendRaw(std::string_view bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything that arrives until `quiet` passes without a byte (after a first byte within
    // `timeout`).
    std::string Receive(Ms timeout = Ms(2000), Ms quiet = Ms(100)) {
        std::string received;
        for (pollfd fd{fd_, POLLIN, 0}; ::poll(&fd, 1, static_cast<int>(timeout.count())) > 0;
             timeout = quiet) {
            char buffer[4096];
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            received.append(buffer, static_cast<std::size_t>(n));
        }
        return received;
    }

  private:
    int fd_;
};

// The one frame in `bytes`; empty when there is none or more than one.
std::string OneFrame(std::string_view bytes) {
    FrameScanner scanner;
    std::vector<std::string> frames = scanner.Feed(bytes);
    return frames.size() == 1 ? frames[0] : std::string();
}

constexpr std::u16string_view kIdentity = u"<idt m=\"r\"><dvn>3<dpn>1";
constexpr std::string_view kIdentityReply =
    "<idt m=\"r\"><dvn>3<dpn>1<mdl>dorvex-scale-sim<ver>1.0";

TEST(ScaleSimRoles, SerialScaleAnswersFramesForItsDeviceWithItsStation) {
    TempTables tables;
    ScaleSimProcess sim(tables.SimArgs({"--serial", "pty", "--device", "3", "--station", "7"}));
    ASSERT_TRUE(sim.Started());
    LineEnd line(sim.SerialPath());
    ASSERT_TRUE(line.Open());
    const std::uint8_t letter = 0x63;

    line.SendRequest(kIdentity, letter, 1);
    const std::string identity = OneFrame(line.Receive());
    EXPECT_EQ(SerialFrame::AcceptReply(identity, letter), std::optional<std::uint8_t>(7));
    EXPECT_EQ(SerialFrame::TextOf(identity), kIdentityReply);

    // Another device's request is not ours; a station byte of 0 sends the text unaddressed.
    line.SendRequest(kIdentity, 0x61, 1);
    EXPECT_EQ(line.Receive(Ms(300)), "");
    line.SendRequest(u"<art m=\"w\"><dvn>3<plu>1<nam>caf\u00E9", letter, 0);
    EXPECT_EQ(SerialFrame::TextOf(OneFrame(line.Receive())), "<art m=\"w\"><res>OK");
    line.SendRequest(u"<art m=\"r\"><dvn>3<plu>1", letter, 7);
    EXPECT_EQ(SerialFrame::TextOf(OneFrame(line.Receive())),
              "<art m=\"r\"><plu>1<nam>caf\xE9<pri>");

    ASSERT_TRUE(sim.WaitForRequests(3));
    EXPECT_EQ(sim.Requests().size(), 3u);
}

TEST(ScaleSimRoles, TcpClientConnectsAndReconnectsWhenTheConnectionEnds) {
    TempTables tables;
    Listener listener;
    ScaleSimProcess sim(tables.SimArgs(
        {"--connect", "127.0.0.1:" + std::to_string(listener.Port()), "--reconnect-ms", "50"}));
    ASSERT_TRUE(sim.Started());

    // One exchange per connection: the simulator connects again after each close.
    const std::pair<std::string, std::string> turns[] = {
        {"<art m=\"w\"><dvn>1<plu>5", "<art m=\"w\"><res>OK"},
        {"<art m=\"r\"><dvn>1<plu>5", "<art m=\"r\"><plu>5<nam><pri>"}};
    for (const auto& [request, reply] : turns) {
        RawClient connection = listener.Accept(Ms(3000));
        ASSERT_TRUE(connection.Connected());
        EXPECT_EQ(connection.Exchange(request), reply);
    }
    EXPECT_TRUE(sim.WaitForLine("connected", 2));
    EXPECT_EQ(sim.Stop(), 0);
}

}  // namespace
}  // namespace dorvex::test
