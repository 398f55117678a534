#include "platform/iconv_converter.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace dorvex {
namespace {

class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Valid())
            iconv_close(handle_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return handle_; }

  private:
    iconv_t handle_;
};

// Converts all of `in`, replacing each unconvertible input unit of `unitSize` bytes by
// `replacement` (already in the target encoding).
std::string Convert(IconvHandle& cd, std::string_view in, std::size_t unitSize,
                    std::string_view replacement) {
    std::string out;
    out.reserve(in.size() * 2 + 16);
    char buffer[4096];
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof(buffer);
        std::size_t rc = iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: skip one unit of input and put the replacement in its place.
        std::size_t skip = std::min(unitSize, inLeft);
        inPtr += skip;
        inLeft -= skip;
        out.append(replacement);
        iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof(buffer);
    iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, outPtr - buffer);
    return out;
}

}  // namespace

bool IconvConverter::Supports(const std::string& encoding) {
    IconvHandle cd("UTF-16LE", encoding.c_str());
    return cd.Valid();
}

Text IconvConverter::ToUtf16(const std::string& encoding, std::string_view bytes) {
    IconvHandle cd("UTF-16LE", encoding.c_str());
    if (!cd.Valid())
        return {};
    return FromUtf16LeBytes(Convert(cd, bytes, 1, std::string_view("\xFD\xFF", 2)));
}

std::string IconvConverter::FromUtf16(const std::string& encoding, TextView text) {
    IconvHandle cd(encoding.c_str(), "UTF-16LE");
    if (!cd.Valid())
        return {};
    return Convert(cd, ToUtf16LeBytes(text), 2, "?");
}

}  // namespace dorvex
