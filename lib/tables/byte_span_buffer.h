// A read-only stream buffer over bytes held in memory, so that a data file can be read from a
// byte span through the same code as from a file: the span must outlive the buffer.
#pragma once

#include <cstdint>
#include <streambuf>
#include <string_view>

namespace dorvex {

class ByteSpanBuffer : public std::streambuf {
  public:
    explicit ByteSpanBuffer(std::string_view bytes) {
        // The get area only hands bytes out; nothing is ever written through it.
        char* begin = const_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }

  protected:
    pos_type seekoff(off_type offset, std::ios_base::seekdir direction,
                     std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in))
            return pos_type(off_type(-1));
        off_type base = 0;
        if (direction == std::ios_base::cur)
            base = gptr() - eback();
        else if (direction == std::ios_base::end)
            base = egptr() - eback();
        return seekpos(pos_type(base + offset), which);
    }

    pos_type seekpos(pos_type position, std::ios_base::openmode which) override {
        const off_type target = off_type(position);
        if (!(which & std::ios_base::in) || target < 0 || target > egptr() - eback())
            return pos_type(off_type(-1));
        setg(eback(), eback() + target, egptr());
        return position;
    }
};

}  // namespace dorvex
