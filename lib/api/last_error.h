// The reason the calling thread's latest failed call of the library failed, kept per thread so
// that callers on different threads never read each other's reasons.
#pragma once

#include "platform/text.h"

namespace dorvex {

void SetLastErrorText(Text reason);
const Text& LastErrorText();

}  // namespace dorvex
