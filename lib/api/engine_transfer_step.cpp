#include "api/engine_transfer_step.h"

#include <filesystem>
#include <mutex>

#include "engine/file_name_rules.h"
#include "engine/result_file.h"

namespace dorvex {
namespace {

// Long enough for any transfer; the wait also ends when the engine is closed.
constexpr int kWaitSliceMs = 60000;

}  // namespace

bool EngineTransferStep::Start(const SubsetFile& file, TransferMode mode, Text& reason) {
    std::lock_guard lock(entry_->mutex);
    engine_ = entry_->engine;
    if (!engine_) {
        reason = u"the engine was closed";
        return false;
    }
    name_ = file.Name();
    wide_ = FileNameRules::EncodingOf(name_) == FileNameRules::Encoding::Wide;
    outputDirectory_ = engine_->OutputDirectory();
    errorDirectory_ = engine_->ErrorDirectory();
    for (bool withError : {false, true}) {
        std::error_code error;
        const std::filesystem::path stale(ResultPath(withError));
        if (!std::filesystem::remove(stale, error) && error &&
            error != std::errc::no_such_file_or_directory) {
            reason = u"cannot remove the former result file " + ResultPath(withError) + u": " +
                     FromUtf8(error.message());
            return false;
        }
    }
    // The subset's directory stands in for the input directory for this one start.
    const Text inputDirectory = engine_->InputDirectory();
    engine_->SetInputDirectory(file.Directory());
    const Result started = engine_->StartTransfer(file.Name(), mode);
    engine_->SetInputDirectory(inputDirectory);
    if (!started) {
        reason = started.Reason();
        return false;
    }
    return true;
}

TransferStatus EngineTransferStep::Wait() {
    if (!engine_)
        return TransferStatus::TerminatedWithError;
    for (;;) {
        status_ = engine_->WaitForOutcome(kWaitSliceMs);
        if (status_ == TransferStatus::Terminated || status_ == TransferStatus::TerminatedWithError)
            return status_;
        std::lock_guard lock(entry_->mutex);
        if (!entry_->engine)
            return status_ = TransferStatus::TerminatedWithError;
    }
}

Text EngineTransferStep::ResultPath(bool withError) const {
    return ResultFile::PathFor(name_, wide_, withError, outputDirectory_, errorDirectory_);
}

std::optional<ResultLines> EngineTransferStep::Results(Text& reason) const {
    // With an error the engine writes the "_e" file, or the "_a" one falls back to it.
    const bool withError = status_ == TransferStatus::TerminatedWithError;
    std::optional<ResultLines> lines = ResultReader::Read(ResultPath(withError), wide_, reason);
    if (!lines && !withError)
        lines = ResultReader::Read(ResultPath(true), wide_, reason);
    return lines;
}

}  // namespace dorvex
