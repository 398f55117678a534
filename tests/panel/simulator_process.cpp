#include "simulator_process.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace dorvex::panel::testing {

QString SimulatorProcess::BinaryPath() {
    return QDir(QStringLiteral(DORVEX_BIN_DIR)).filePath(QStringLiteral("dorvex-scale-sim"));
}

QString SimulatorProcess::SkipReason() {
    return QFile::exists(BinaryPath())
               ? QString()
               : QStringLiteral("dorvex-scale-sim is not built (") + BinaryPath() + ')';
}

SimulatorProcess::~SimulatorProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

bool SimulatorProcess::Start() {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(BinaryPath(),
                   {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--tables"),
                    QStringLiteral(DORVEX_SAMPLES_DIR "/table.csv")});
    static const QRegularExpression listening(
        QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)\\D"));
    QByteArray output;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && process_.state() != QProcess::NotRunning) {
        process_.waitForReadyRead(100);
        output += process_.readAll();
        const auto match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            port_ = match.captured(1).toInt();
            return true;
        }
    }
    return false;
}

}  // namespace dorvex::panel::testing
