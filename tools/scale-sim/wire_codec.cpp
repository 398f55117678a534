#include "wire_codec.h"

#include "platform/code_page.h"

namespace dorvex::sim {

Text WireCodec::Decode(std::string_view bytes) const {
    return unicode_ ? FromUtf16LeBytes(bytes) : DecodeData(bytes);
}

std::string WireCodec::Encode(TextView text) const {
    return unicode_ ? ToUtf16LeBytes(text) : EncodeData(text);
}

}  // namespace dorvex::sim
