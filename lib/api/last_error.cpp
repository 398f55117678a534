#include "api/last_error.h"

namespace dorvex {
namespace {

Text& ThreadLastError() {
    thread_local Text reason;
    return reason;
}

}  // namespace

void SetLastErrorText(Text reason) {
    ThreadLastError() = std::move(reason);
}

const Text& LastErrorText() {
    return ThreadLastError();
}

}  // namespace dorvex
