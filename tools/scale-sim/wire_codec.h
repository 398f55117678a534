// How texts travel over TCP: the data code page, or UTF-16LE with --unicode.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace dorvex::sim {

class WireCodec {
  public:
    explicit WireCodec(bool unicode) : unicode_(unicode) {}

    Text Decode(std::string_view bytes) const;
    std::string Encode(TextView text) const;
    // Bytes per code unit: a piece of a text never cuts one.
    std::size_t UnitSize() const { return unicode_ ? 2 : 1; }

  private:
    bool unicode_;
};

}  // namespace dorvex::sim
