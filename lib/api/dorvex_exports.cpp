// The exported C interface: each function converts its strings, works on the engine in the
// slot and maps the engine's 0/6 to 1/-1.
#include <memory>
#include <mutex>
#include <vector>

#include "api/engine_registry.h"
#include "api/engine_slot.h"
#include "api/export_support.h"
#include "api/last_error.h"
#include "dorvex.h"
#include "engine/transfer_types.h"
#include "link/traffic_trace.h"
#include "platform/clock.h"
#include "platform/code_page.h"
#include "platform/error_display.h"
#include "platform/system_encoding.h"
#include "protocol/protocol_texts.h"

using dorvex::EngineSlot;
using dorvex::Text;
using dorvex::TransferEngine;
using namespace dorvex::api;

namespace {

constexpr int kStatusPauseMs = 200;
constexpr const char16_t* kNoEngine = u"no engine is open: call OpenDorvex first";

// Runs `action` on the engine in the slot; `fallback` when the slot is empty.
template <typename Action>
int WithEngine(int fallback, Action action) {
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    TransferEngine* engine = slot.Engine();
    if (engine == nullptr) {
        dorvex::SetLastErrorText(kNoEngine);
        return fallback;
    }
    return action(*engine);
}

// The host's handlers follow the exports' calling convention (__stdcall on 32-bit Windows);
// the library calls functions of its own, which pass each call on. A handler stays reachable
// once installed: a display may still run on another thread when the host installs the next.
template <typename HostHandler>
struct HostCallback {
    HostHandler handler;
    void* context;
};

template <typename HostHandler>
HostCallback<HostHandler>* KeptCallback(HostHandler handler, void* context) {
    static std::mutex mutex;
    static std::vector<std::unique_ptr<HostCallback<HostHandler>>> kept;
    std::lock_guard lock(mutex);
    for (const auto& callback : kept) {
        if (callback->handler == handler && callback->context == context)
            return callback.get();
    }
    kept.push_back(
        std::make_unique<HostCallback<HostHandler>>(HostCallback<HostHandler>{handler, context}));
    return kept.back().get();
}

void PassErrorDisplay(const char* title, const char* text, void* context) {
    auto* host = static_cast<HostCallback<DorvexErrorHandler>*>(context);
    host->handler(title, text, host->context);
}

void PassTrace(const char* direction, const char* kind, const char* line, void* context) {
    auto* host = static_cast<HostCallback<DorvexTraceHandler>*>(context);
    host->handler(direction, kind, line, host->context);
}

int StartTransfer(const char* fileName, dorvex::TransferMode mode) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        return ExportResult(engine.StartTransfer(FromApi(fileName), mode));
    });
}

// The settings kept in the slot go into each new engine.
void ApplySlotSettings(const EngineSlot& slot, TransferEngine& engine) {
    engine.SetDisplayErrors(slot.DisplayErrors());
    engine.SetConnectionTimeout(slot.ConnectionTimeout());
    engine.SetReplyTimeouts(slot.RowReplyTimeout(), slot.TableReplyTimeout());
}

}  // namespace

extern "C" {

DORVEX_API int DORVEX_CALL TestConnection(const char* address, char* reply) {
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    slot.Put(std::make_unique<TransferEngine>(u"table.csv"));
    TransferEngine& engine = *slot.Engine();
    dorvex::Result asked = engine.Open(u"IPC", u"99", FromApi(address), 0);
    if (asked)
        asked = engine.SendText(dorvex::IdentityRequest(u"1"));
    if (!asked)
        dorvex::SetLastErrorText(asked.Reason());
    Text answer = engine.ReceiveText();
    if (answer.empty() && engine.HasChannel())
        dorvex::SetLastErrorText(u"no reply from the scale at " + FromApi(address) + u" within " +
                                 dorvex::NumberText(dorvex::kRowReplyTimeoutMs) + u" ms");
    slot.CloseEngine();
    if (reply != nullptr)
        reply[0] = '\0';
    return CopyReply(answer, reply);
}

// The reserved argument is part of the C signature only: nothing reads it.
DORVEX_API int DORVEX_CALL OpenDorvex(const char* link, const char* device, const char* address,
                                      int /*reserved*/, int unicode, const char* table_file) {
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    slot.Put(std::make_unique<TransferEngine>(FromApi(table_file)));
    TransferEngine& engine = *slot.Engine();
    ApplySlotSettings(slot, engine);
    return ExportResult(engine.Open(FromApi(link), FromApi(device), FromApi(address), unicode));
}

DORVEX_API int DORVEX_CALL CloseDorvex(void) {
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    slot.CloseEngine();
    return kDone;
}

DORVEX_API int DORVEX_CALL OpenDorvexComm(const char* link, const char* device, const char* address,
                                          int /*reserved*/, int unicode) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        return ExportResult(
            engine.OpenLink(FromApi(link), FromApi(device), FromApi(address), unicode));
    });
}

DORVEX_API int DORVEX_CALL CloseDorvexComm(void) {
    return WithEngine(kFailed, [](TransferEngine& engine) {
        engine.CloseLink();
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetDestination(const char* device) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        engine.SetDeviceNumber(FromApi(device));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetCRChar(const char* marker) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        engine.SetCrChars(FromApi(marker));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetInputDir(const char* directory) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        engine.SetInputDirectory(FromApi(directory));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetOutputDir(const char* directory) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        engine.SetOutputDirectory(FromApi(directory));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetErrorDir(const char* directory) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        engine.SetErrorDirectory(FromApi(directory));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetDisplayErrorMode(int mode) {
    const bool on = mode == 1;
    dorvex::EngineRegistry::Instance().SetDefaultDisplayErrors(on);
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    if (TransferEngine* engine = slot.Engine()) {
        engine->SetDisplayErrors(on);
    } else {
        slot.SetDisplayErrors(on);
    }
    return kDone;
}

DORVEX_API int DORVEX_CALL SetConnectionTimeout(int milliseconds) {
    if (milliseconds <= 0) {
        return Failed(u"the connection timeout must be a positive number of milliseconds, not " +
                      dorvex::NumberText(milliseconds));
    }
    dorvex::EngineRegistry::Instance().SetDefaultConnectTimeout(milliseconds);
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    if (TransferEngine* engine = slot.Engine()) {
        engine->SetConnectionTimeout(milliseconds);
    } else {
        slot.SetConnectionTimeout(milliseconds);
    }
    return kDone;
}

DORVEX_API int DORVEX_CALL SendWriteFile(const char* file_name) {
    return StartTransfer(file_name, dorvex::TransferMode::Write);
}

DORVEX_API int DORVEX_CALL SendReadFile(const char* file_name) {
    return StartTransfer(file_name, dorvex::TransferMode::Read);
}

DORVEX_API int DORVEX_CALL SendDeleteFile(const char* file_name) {
    return StartTransfer(file_name, dorvex::TransferMode::Delete);
}

DORVEX_API int DORVEX_CALL GetCommStatus(void) {
    dorvex::SleepMs(kStatusPauseMs);
    return WithEngine(kFailed,
                      [](TransferEngine& engine) { return static_cast<int>(engine.Status()); });
}

DORVEX_API int DORVEX_CALL SendData(const char* text) {
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        dorvex::Result sent = engine.SendText(FromApi(text));
        return sent ? kDone : Failed(u"the message was not sent: " + sent.Reason());
    });
}

DORVEX_API int DORVEX_CALL ReceiveData(char* reply) {
    if (reply != nullptr)
        reply[0] = '\0';
    return WithEngine(0, [&](TransferEngine& engine) {
        Text answer = engine.ReceiveText();
        if (answer.empty())
            dorvex::SetLastErrorText(u"no reply from the scale");
        return CopyReply(answer, reply);
    });
}

DORVEX_API int DORVEX_CALL GetDorvexVersion(void) {
    return DORVEX_VERSION_NUMBER;
}

DORVEX_API int DORVEX_CALL GetTransferProgress(int* sent, int* expected) {
    auto store = [&](int s, int e) {
        if (sent != nullptr)
            *sent = s;
        if (expected != nullptr)
            *expected = e;
    };
    store(0, 0);
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        store(engine.SentCount(), engine.RequestTotal());
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetDataCodePage(const char* name) {
    if (dorvex::SetDataCodePage(name == nullptr ? std::string() : std::string(name)))
        return kDone;
    return Failed(u"unknown code page \"" + FromApi(name) + u"\"");
}

DORVEX_API int DORVEX_CALL SetErrorDisplayHandler(DorvexErrorHandler handler, void* context) {
    if (handler == nullptr)
        dorvex::SetErrorDisplayHandler(nullptr, nullptr);
    else
        dorvex::SetErrorDisplayHandler(&PassErrorDisplay, KeptCallback(handler, context));
    return kDone;
}

DORVEX_API int DORVEX_CALL SetTraceHandler(DorvexTraceHandler handler, void* context) {
    if (handler == nullptr)
        dorvex::TrafficTrace::SetHandler(nullptr, nullptr);
    else
        dorvex::TrafficTrace::SetHandler(&PassTrace, KeptCallback(handler, context));
    return kDone;
}

DORVEX_API int DORVEX_CALL SetReplyTimeout(int row_milliseconds, int table_milliseconds) {
    if (row_milliseconds < 0 || table_milliseconds < 0) {
        return Failed(u"reply timeouts must not be negative (got " +
                      dorvex::NumberText(row_milliseconds) + u" and " +
                      dorvex::NumberText(table_milliseconds) + u")");
    }
    auto& slot = EngineSlot::Instance();
    auto lock = slot.Lock();
    slot.SetReplyTimeouts(row_milliseconds, table_milliseconds);
    if (TransferEngine* engine = slot.Engine())
        engine->SetReplyTimeouts(row_milliseconds, table_milliseconds);
    return kDone;
}

DORVEX_API int DORVEX_CALL GetReplyWait(int* waited_milliseconds, int* limit_milliseconds) {
    int waited = 0;
    int limit = 0;
    int result = WithEngine(
        kFailed, [&](TransferEngine& engine) { return engine.ReplyWait(waited, limit) ? 1 : 0; });
    if (waited_milliseconds != nullptr)
        *waited_milliseconds = waited;
    if (limit_milliseconds != nullptr)
        *limit_milliseconds = limit;
    return result;
}

DORVEX_API int DORVEX_CALL GetLastErrorText(char* text, int size) {
    return CopyReason(dorvex::LastErrorText(), text, size);
}

DORVEX_API int DORVEX_CALL GetTransferErrorText(char* text, int size) {
    if (text != nullptr && size > 0)
        text[0] = '\0';
    return WithEngine(kFailed, [&](TransferEngine& engine) {
        if (engine.Status() != dorvex::TransferStatus::TerminatedWithError)
            return 0;
        return CopyReason(engine.TransferError(), text, size);
    });
}

}  // extern "C"
