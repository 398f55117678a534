#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/rs485_driver.h"

namespace dorvex {
namespace {

using Clock = std::chrono::steady_clock;

class RecordingDriver : public Rs485Driver {
  public:
    struct Step {
        std::string what;
        Clock::time_point at;
    };
    int writeError = 0;
    std::vector<Step> steps;

    int SetRts(bool on) override {
        Record(on ? "rts on" : "rts off");
        return 25;  // like a port without modem lines: ignored
    }
    int WriteAll(const char* data, std::size_t length) override {
        Record("write " + std::string(data, length));
        return writeError;
    }
    int Drain() override {
        Record("drain");
        return 0;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const Step& step : steps)
            names.push_back(step.what);
        return names;
    }

  private:
    void Record(std::string what) { steps.push_back({std::move(what), Clock::now()}); }
};

TEST(Rs485BusTest, RtsFramesTheWriteAndIsHeldAfterTheDrain) {
    RecordingDriver driver;
    EXPECT_EQ(TransmitOnBus(driver, "frame", std::chrono::milliseconds(3)), 0);
    ASSERT_EQ(driver.Names(),
              (std::vector<std::string>{"rts on", "write frame", "drain", "rts off"}));
    EXPECT_GE(driver.steps[3].at - driver.steps[2].at, std::chrono::milliseconds(3));
}

TEST(Rs485BusTest, FailedWriteReleasesRtsAtOnceAndIsReported) {
    RecordingDriver driver;
    driver.writeError = 5;
    EXPECT_EQ(TransmitOnBus(driver, "frame", std::chrono::milliseconds(3)), 5);
    EXPECT_EQ(driver.Names(), (std::vector<std::string>{"rts on", "write frame", "rts off"}));
}

}  // namespace
}  // namespace dorvex
