#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace dorvex::panel {

// Turns SIGTERM and SIGINT into a Qt signal on the owning thread (a self-pipe: the handler
// only writes one byte). The previous handlers come back when the object goes.
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  signals:
    void Received(int signalNumber);

  private:
    static void Handle(int signalNumber);
    void Drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace dorvex::panel
