#pragma once

#include <QProcess>
#include <QString>

namespace dorvex::panel::testing {

// The scale simulator on a free loopback port, stopped when the object goes.
class SimulatorProcess {
  public:
    static QString BinaryPath();
    // Empty when the simulator has not been built.
    static QString SkipReason();
    ~SimulatorProcess();
    // Starts it with the sample table definitions; false when it does not report its port.
    bool Start();
    int Port() const { return port_; }

  private:
    QProcess process_;
    int port_ = 0;
};

}  // namespace dorvex::panel::testing
