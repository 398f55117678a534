// The names the library exports: the core eighteen and the documented extras, nothing else.
#pragma once

#include <set>
#include <string>

namespace dorvex::test {

inline const std::set<std::string>& DocumentedExportNames() {
    static const std::set<std::string> names = {
        "TestConnection", "OpenDorvex", "CloseDorvex", "OpenDorvexComm", "CloseDorvexComm",
        "SetDestination", "SetCRChar", "SetInputDir", "SetOutputDir", "SetErrorDir",
        "SetDisplayErrorMode", "SetConnectionTimeout", "SendWriteFile", "SendReadFile",
        "SendDeleteFile", "GetCommStatus", "SendData", "ReceiveData",
        // extras
        "GetDorvexVersion", "GetTransferProgress", "SetDataCodePage", "SetErrorDisplayHandler",
        "SetTraceHandler", "SetReplyTimeout", "GetReplyWait", "GetLastErrorText",
        "GetTransferErrorText",
        // engines by handle
        "OpenEngine", "CloseEngine", "SetEngineDirectories", "SetEngineDestination",
        "SetEngineCRChar", "SetEngineTimeouts", "SendEngineWriteFile", "SendEngineReadFile",
        "SendEngineDeleteFile", "GetEngineStatus", "GetEngineProgress", "WaitEngineTransfer",
        "SendEngineData", "ReceiveEngineData", "GetEngineReplyWait", "GetEngineTransferErrorText",
        // sync and verify
        "SyncEngineFile", "GetEngineSyncSummary", "VerifyEngineFile", "GetEngineVerifySummary",
        "GetEngineSyncReport", "SendEngineWriteFileWhere"};
    return names;
}

}  // namespace dorvex::test
