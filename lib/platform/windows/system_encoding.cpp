#include "platform/system_encoding.h"

#include <windows.h>

#include "platform/iconv_converter.h"

namespace dorvex {

Text DecodeApiText(std::string_view bytes) {
    return IconvConverter::ToUtf16("CP_ACP", bytes);
}

std::string EncodeApiText(TextView text) {
    return IconvConverter::FromUtf16("CP_ACP", text);
}

// Named by number, so that Windows-1252 takes the built-in table.
std::string DefaultDataCodePageName() {
    return "CP" + std::to_string(GetACP());
}

}  // namespace dorvex
