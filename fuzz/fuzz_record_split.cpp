// Cutting records into fields: TakeField and SplitField on arbitrary UTF-16 text, with any
// separator set. Checks that every cut makes progress, that fields are no longer than their
// line, and that the in-place and the view forms agree.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "platform/text.h"
#include "tables/field_split.h"

namespace {

constexpr std::size_t kMaxUnits = 512;

using dorvex::fuzz::Check;

dorvex::TextView SeparatorsFor(std::uint8_t selector) {
    switch (selector % 5) {
        case 0:
            return {};
        case 1:
            return u";";
        case 2:
            return u" ";
        case 3:
            return u",;\"";
        default:
            return u" \t|";
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const dorvex::TextView separators = SeparatorsFor(data[0]);
    // Cutting a line held as text costs the rest of the line per field: beyond a few hundred
    // units a line only makes each input slower, not the cutting any different.
    const std::size_t bytes = std::min<std::size_t>(size - 1, 2 * kMaxUnits);
    const dorvex::Text line =
        dorvex::FromUtf16LeBytes(std::string_view(reinterpret_cast<const char*>(data + 1), bytes));

    for (bool quoted : {true, false}) {
        dorvex::Text owned = line;
        dorvex::TextView view = line;
        dorvex::Text fromOwned;
        dorvex::Text fromView;
        while (!owned.empty()) {
            const std::size_t before = owned.size();
            if (quoted) {
                dorvex::TakeField(fromOwned, owned, separators);
                dorvex::TakeField(fromView, view, separators);
            } else {
                dorvex::SplitField(fromOwned, owned, separators);
                dorvex::SplitField(fromView, view, separators);
            }
            Check(owned.size() < before);
            Check(fromOwned.size() <= before);
            Check(fromOwned == fromView);
            // Both are what is left of the same line: the same length means the same text.
            Check(owned.size() == view.size());
        }
        Check(view.empty());
    }
    return 0;
}
