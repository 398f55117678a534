#include "platform/default_error_display.h"

#include <cstdio>

namespace dorvex {

void ShowDefaultErrorDisplay(const char* title, const char* text, void*) {
    std::fprintf(stderr, "%s: %s\n", title, text);
    std::fflush(stderr);
}

}  // namespace dorvex
