#include "protocol/transfer_mode.h"

#include "protocol/protocol_texts.h"

namespace dorvex {

TextView ModeText(TransferMode mode, ReadPhase phase) {
    switch (mode) {
        case TransferMode::Write:
            return protocol::kWriteMode;
        case TransferMode::Delete:
            return protocol::kDeleteMode;
        case TransferMode::Read:
            break;
    }
    return phase == ReadPhase::Records ? protocol::kReadNextMode : protocol::kReadMode;
}

std::optional<TransferMode> TransferModeOf(TextView text) {
    for (TransferMode mode : {TransferMode::Write, TransferMode::Read, TransferMode::Delete}) {
        if (text == ModeText(mode))
            return mode;
    }
    return std::nullopt;
}

}  // namespace dorvex
