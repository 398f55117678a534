#include "platform/system_encoding.h"

namespace dorvex {

Text DecodeApiText(std::string_view bytes) {
    return FromUtf8(bytes);
}

std::string EncodeApiText(TextView text) {
    return ToUtf8(text);
}

std::string DefaultDataCodePageName() {
    return "WINDOWS-1252";
}

}  // namespace dorvex
