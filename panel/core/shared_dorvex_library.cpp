#include "shared_dorvex_library.h"

#include <QDir>

namespace dorvex::panel {

namespace {

// Reason texts name paths and addresses; longer ones are cut by the library.
constexpr int kReasonBufferBytes = 4096;

// The library's API encoding: UTF-8 here, the ANSI code page on Windows.
QByteArray Encode(const QString& text) {
#ifdef _WIN32
    return text.toLocal8Bit();
#else
    return text.toUtf8();
#endif
}

QString Decode(const char* text) {
#ifdef _WIN32
    return QString::fromLocal8Bit(text);
#else
    return QString::fromUtf8(text);
#endif
}

template <typename Function>
bool ResolveOne(QLibrary& library, const char* name, Function& target) {
    target = reinterpret_cast<Function>(library.resolve(name));
    return target != nullptr;
}

}  // namespace

QStringList SharedDorvexLibrary::DefaultCandidates(const QString& programDir) {
#ifdef _WIN32
    const QString fileName = QStringLiteral("Dorvex.dll");
    return {QDir(programDir).filePath(fileName), fileName};
#else
    // Beside the program (the build tree), then where an installation puts it (with its
    // SONAME: the run-time library needs no development link), then the loader's search.
    const QString fileName = QStringLiteral("libdorvex.so");
    const QString runtimeName = QStringLiteral("libdorvex.so." DORVEX_PANEL_LIBRARY_SOVERSION);
    return {QDir(programDir).filePath(fileName),
            QDir(programDir).filePath(QStringLiteral(DORVEX_PANEL_LIBRARY_DIR "/") + runtimeName),
            runtimeName, fileName};
#endif
}

bool SharedDorvexLibrary::Resolve(QLibrary& library, Exports& e, QString& missing) {
    struct Required {
        const char* name;
        bool found;
    };
    const Required required[] = {
        {"SetConnectionTimeout",
         ResolveOne(library, "SetConnectionTimeout", e.setConnectionTimeout)},
        {"SetDisplayErrorMode", ResolveOne(library, "SetDisplayErrorMode", e.setDisplayErrorMode)},
        {"OpenDorvex", ResolveOne(library, "OpenDorvex", e.openDorvex)},
        {"CloseDorvex", ResolveOne(library, "CloseDorvex", e.closeDorvex)},
        {"SetInputDir", ResolveOne(library, "SetInputDir", e.setInputDir)},
        {"SetOutputDir", ResolveOne(library, "SetOutputDir", e.setOutputDir)},
        {"SetErrorDir", ResolveOne(library, "SetErrorDir", e.setErrorDir)},
        {"SetDestination", ResolveOne(library, "SetDestination", e.setDestination)},
        {"SetCRChar", ResolveOne(library, "SetCRChar", e.setCRChar)},
        {"SendWriteFile", ResolveOne(library, "SendWriteFile", e.sendWriteFile)},
        {"SendReadFile", ResolveOne(library, "SendReadFile", e.sendReadFile)},
        {"SendDeleteFile", ResolveOne(library, "SendDeleteFile", e.sendDeleteFile)},
        {"GetCommStatus", ResolveOne(library, "GetCommStatus", e.getCommStatus)},
    };
    QStringList absent;
    for (const Required& export_ : required) {
        if (!export_.found) {
            absent << QString::fromLatin1(export_.name);
        }
    }
    // The rest of the eighteen: not called here, but a library without them is not one.
    for (const char* name :
         {"TestConnection", "OpenDorvexComm", "CloseDorvexComm", "SendData", "ReceiveData"}) {
        if (!library.resolve(name)) {
            absent << QString::fromLatin1(name);
        }
    }
    ResolveExtras(library, e);
    missing = absent.join(QStringLiteral(", "));
    return absent.isEmpty();
}

void SharedDorvexLibrary::ResolveExtras(QLibrary& library, Exports& e) {
    // An older library lacks some of these: the program then shows no reason and keeps the
    // library's own reply timeouts.
    ResolveOne(library, "GetTransferProgress", e.getTransferProgress);
    ResolveOne(library, "SetErrorDisplayHandler", e.setErrorDisplayHandler);
    ResolveOne(library, "SetReplyTimeout", e.setReplyTimeout);
    ResolveOne(library, "GetReplyWait", e.getReplyWait);
    ResolveOne(library, "GetLastErrorText", e.getLastErrorText);
    ResolveOne(library, "GetTransferErrorText", e.getTransferErrorText);
}

std::unique_ptr<DorvexLibrary> SharedDorvexLibrary::Load(const QStringList& candidates,
                                                         QString& error) {
    QStringList reasons;
    for (const QString& candidate : candidates) {
        auto library = std::make_unique<QLibrary>(candidate);
        if (!library->load()) {
            reasons << library->errorString();
            continue;
        }
        Exports exports;
        QString missing;
        if (!Resolve(*library, exports, missing)) {
            error = library->fileName() + QStringLiteral(": missing export(s) ") + missing;
            library->unload();
            return nullptr;
        }
        return std::unique_ptr<DorvexLibrary>(new SharedDorvexLibrary(std::move(library), exports));
    }
    error = reasons.join(QStringLiteral("; "));
    return nullptr;
}

SharedDorvexLibrary::SharedDorvexLibrary(std::unique_ptr<QLibrary> library, const Exports& exports)
    : library_(std::move(library)), exports_(exports) {
    if (exports_.setErrorDisplayHandler) {
        exports_.setErrorDisplayHandler(&SharedDorvexLibrary::ForwardError, this);
    }
}

SharedDorvexLibrary::~SharedDorvexLibrary() {
    if (exports_.setErrorDisplayHandler) {
        exports_.setErrorDisplayHandler(nullptr, nullptr);
    }
    // The library stays loaded: threads it may still wind down must keep their code.
}

void DORVEX_CALL SharedDorvexLibrary::ForwardError(const char* title, const char* text,
                                                   void* context) {
    auto* self = static_cast<SharedDorvexLibrary*>(context);
    std::lock_guard lock(self->sinkMutex_);
    if (self->sink_) {
        self->sink_(QString::fromUtf8(title ? title : ""), QString::fromUtf8(text ? text : ""));
    }
}

void SharedDorvexLibrary::SetErrorSink(ErrorSink sink) {
    std::lock_guard lock(sinkMutex_);
    sink_ = std::move(sink);
}

int SharedDorvexLibrary::SetConnectionTimeout(int milliseconds) {
    return exports_.setConnectionTimeout(milliseconds);
}

int SharedDorvexLibrary::SetDisplayErrorMode(int mode) {
    return exports_.setDisplayErrorMode(mode);
}

int SharedDorvexLibrary::OpenDorvex(const QString& link, const QString& device,
                                    const QString& address, int reserved, int unicode,
                                    const QString& tableFile) {
    return exports_.openDorvex(Encode(link).constData(), Encode(device).constData(),
                               Encode(address).constData(), reserved, unicode,
                               Encode(tableFile).constData());
}

int SharedDorvexLibrary::CloseDorvex() {
    return exports_.closeDorvex();
}

int SharedDorvexLibrary::SetInputDir(const QString& directory) {
    return exports_.setInputDir(Encode(directory).constData());
}

int SharedDorvexLibrary::SetOutputDir(const QString& directory) {
    return exports_.setOutputDir(Encode(directory).constData());
}

int SharedDorvexLibrary::SetErrorDir(const QString& directory) {
    return exports_.setErrorDir(Encode(directory).constData());
}

int SharedDorvexLibrary::SetDestination(const QString& device) {
    return exports_.setDestination(Encode(device).constData());
}

int SharedDorvexLibrary::SetCRChar(const QString& marker) {
    return exports_.setCRChar(Encode(marker).constData());
}

int SharedDorvexLibrary::SendWriteFile(const QString& fileName) {
    return exports_.sendWriteFile(Encode(fileName).constData());
}

int SharedDorvexLibrary::SendReadFile(const QString& fileName) {
    return exports_.sendReadFile(Encode(fileName).constData());
}

int SharedDorvexLibrary::SendDeleteFile(const QString& fileName) {
    return exports_.sendDeleteFile(Encode(fileName).constData());
}

int SharedDorvexLibrary::GetCommStatus() {
    return exports_.getCommStatus();
}

bool SharedDorvexLibrary::GetTransferProgress(int& sent, int& expected) {
    sent = 0;
    expected = 0;
    return exports_.getTransferProgress && exports_.getTransferProgress(&sent, &expected) == 1;
}

int SharedDorvexLibrary::SetReplyTimeout(int rowMilliseconds, int tableMilliseconds) {
    return exports_.setReplyTimeout ? exports_.setReplyTimeout(rowMilliseconds, tableMilliseconds)
                                    : 0;
}

bool SharedDorvexLibrary::GetReplyWait(int& waitedMilliseconds, int& limitMilliseconds) {
    waitedMilliseconds = 0;
    limitMilliseconds = 0;
    return exports_.getReplyWait &&
           exports_.getReplyWait(&waitedMilliseconds, &limitMilliseconds) == 1;
}

QString SharedDorvexLibrary::CopyText(ErrorTextFunction function) {
    if (!function) {
        return {};
    }
    char buffer[kReasonBufferBytes] = {};
    const int copied = function(buffer, static_cast<int>(sizeof buffer));
    if (copied <= 0) {
        return {};
    }
    buffer[sizeof buffer - 1] = '\0';  // whatever the library did, the text ends in the buffer
    return Decode(buffer).trimmed();
}

QString SharedDorvexLibrary::GetLastErrorText() {
    return CopyText(exports_.getLastErrorText);
}

QString SharedDorvexLibrary::GetTransferErrorText() {
    return CopyText(exports_.getTransferErrorText);
}

}  // namespace dorvex::panel
