// The handle family: the same work as the core exports, on any number of engines named by
// handles, for hosts that serve many scales at once.
#include <memory>
#include <mutex>

#include "api/engine_registry.h"
#include "api/export_support.h"
#include "api/last_error.h"
#include "dorvex.h"

using dorvex::EngineRegistry;
using dorvex::Text;
using dorvex::TransferEngine;
using namespace dorvex::api;

namespace {

// Runs `action` on the engine of the handle, holding that engine's lock only.
template <typename Action>
int WithHandle(int handle, int fallback, Action action) {
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Find(handle);
    if (!entry) {
        dorvex::SetLastErrorText(UnknownHandle(handle));
        return fallback;
    }
    std::lock_guard lock(entry->mutex);
    if (!entry->engine) {
        dorvex::SetLastErrorText(UnknownHandle(handle));
        return fallback;
    }
    return action(*entry->engine);
}

int StartTransfer(int handle, const char* fileName, dorvex::TransferMode mode) {
    return WithHandle(handle, kFailed, [&](TransferEngine& engine) {
        return ExportResult(engine.StartTransfer(FromApi(fileName), mode));
    });
}

}  // namespace

extern "C" {

DORVEX_API int DORVEX_CALL OpenEngine(const char* link, const char* device, const char* address,
                                      int unicode, const char* table_file) {
    auto& registry = EngineRegistry::Instance();
    auto engine = std::make_unique<TransferEngine>(FromApi(table_file));
    engine->SetConnectionTimeout(registry.DefaultConnectTimeout());
    engine->SetDisplayErrors(registry.DefaultDisplayErrors());
    if (dorvex::Result opened =
            engine->Open(FromApi(link), FromApi(device), FromApi(address), unicode);
        !opened) {
        engine->Close();
        return ExportResult(opened);
    }
    // New engines take the device as their destination, as callers of the core set it.
    engine->SetDeviceNumber(FromApi(device));
    int handle = registry.Add(std::move(engine),
                              FromApi(link) + u" " + FromApi(address) + u" " + FromApi(device));
    return handle > 0 ? handle : Failed(u"no engine handle is left");
}

DORVEX_API int DORVEX_CALL CloseEngine(int engine) {
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Remove(engine);
    if (!entry)
        return Failed(UnknownHandle(engine));
    // After a call in progress on this engine; a caller waiting for the outcome is woken and
    // keeps the engine until it returns.
    std::lock_guard lock(entry->mutex);
    entry->engine->Close();
    entry->engine.reset();
    return kDone;
}

DORVEX_API int DORVEX_CALL SetEngineDirectories(int engine, const char* input_dir,
                                                const char* output_dir, const char* error_dir) {
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        e.SetInputDirectory(FromApi(input_dir));
        e.SetOutputDirectory(FromApi(output_dir));
        e.SetErrorDirectory(FromApi(error_dir));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetEngineDestination(int engine, const char* device) {
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        e.SetDeviceNumber(FromApi(device));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetEngineCRChar(int engine, const char* marker) {
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        e.SetCrChars(FromApi(marker));
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SetEngineTimeouts(int engine, int connect_milliseconds,
                                             int row_reply_milliseconds,
                                             int table_reply_milliseconds) {
    if (connect_milliseconds < 0 || row_reply_milliseconds < 0 || table_reply_milliseconds < 0)
        return Failed(u"timeouts must not be negative");
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        if (connect_milliseconds > 0)
            e.SetConnectionTimeout(connect_milliseconds);
        e.SetReplyTimeouts(row_reply_milliseconds, table_reply_milliseconds);
        return kDone;
    });
}

DORVEX_API int DORVEX_CALL SendEngineWriteFile(int engine, const char* file_name) {
    return StartTransfer(engine, file_name, dorvex::TransferMode::Write);
}

DORVEX_API int DORVEX_CALL SendEngineReadFile(int engine, const char* file_name) {
    return StartTransfer(engine, file_name, dorvex::TransferMode::Read);
}

DORVEX_API int DORVEX_CALL SendEngineDeleteFile(int engine, const char* file_name) {
    return StartTransfer(engine, file_name, dorvex::TransferMode::Delete);
}

DORVEX_API int DORVEX_CALL GetEngineStatus(int engine) {
    return WithHandle(engine, kFailed,
                      [](TransferEngine& e) { return static_cast<int>(e.Status()); });
}

DORVEX_API int DORVEX_CALL GetEngineProgress(int engine, int* sent, int* expected, int* ok,
                                             int* failed) {
    int values[4] = {0, 0, 0, 0};
    int result = WithHandle(engine, kFailed, [&](TransferEngine& e) {
        values[0] = e.SentCount();
        values[1] = e.RequestTotal();
        values[2] = e.AnsweredOk();
        values[3] = e.AnsweredWithError();
        return kDone;
    });
    int* outputs[4] = {sent, expected, ok, failed};
    for (int i = 0; i < 4; ++i) {
        if (outputs[i] != nullptr)
            *outputs[i] = values[i];
    }
    return result;
}

DORVEX_API int DORVEX_CALL WaitEngineTransfer(int engine, int timeout_milliseconds) {
    if (timeout_milliseconds < 0)
        return Failed(u"the wait's timeout must not be negative");
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Find(engine);
    if (!entry)
        return Failed(UnknownHandle(engine));
    // Not under the engine's lock: the wait may be long, and CloseEngine must get through.
    std::shared_ptr<TransferEngine> waited;
    {
        std::lock_guard lock(entry->mutex);
        waited = entry->engine;
    }
    if (!waited)
        return Failed(UnknownHandle(engine));
    return static_cast<int>(waited->WaitForOutcome(timeout_milliseconds));
}

DORVEX_API int DORVEX_CALL SendEngineData(int engine, const char* text) {
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        dorvex::Result sent = e.SendText(FromApi(text));
        return sent ? kDone : Failed(u"the message was not sent: " + sent.Reason());
    });
}

DORVEX_API int DORVEX_CALL ReceiveEngineData(int engine, char* reply) {
    if (reply != nullptr)
        reply[0] = '\0';
    return WithHandle(engine, 0, [&](TransferEngine& e) {
        Text answer = e.ReceiveText();
        if (answer.empty())
            dorvex::SetLastErrorText(u"no reply from the scale");
        return CopyReply(answer, reply);
    });
}

DORVEX_API int DORVEX_CALL GetEngineReplyWait(int engine, int* waited_milliseconds,
                                              int* limit_milliseconds) {
    int waited = 0;
    int limit = 0;
    int result = WithHandle(engine, kFailed,
                            [&](TransferEngine& e) { return e.ReplyWait(waited, limit) ? 1 : 0; });
    if (waited_milliseconds != nullptr)
        *waited_milliseconds = waited;
    if (limit_milliseconds != nullptr)
        *limit_milliseconds = limit;
    return result;
}

DORVEX_API int DORVEX_CALL GetEngineTransferErrorText(int engine, char* text, int size) {
    if (text != nullptr && size > 0)
        text[0] = '\0';
    return WithHandle(engine, kFailed, [&](TransferEngine& e) {
        if (e.Status() != dorvex::TransferStatus::TerminatedWithError)
            return 0;
        return CopyReason(e.TransferError(), text, size);
    });
}

}  // extern "C"
