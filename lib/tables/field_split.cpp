#include "tables/field_split.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace dorvex {
namespace {

constexpr char16_t kQuote = u'"';

TextView EffectiveSeparators(TextView separators) {
    return separators.empty() ? kFieldSeparator : separators;
}

bool IsSeparator(char16_t c, TextView separators) {
    return separators.size() == 1 ? c == separators[0] : separators.find(c) != TextView::npos;
}

std::size_t FindSeparator(TextView line, TextView separators) {
    if (separators.size() == 1)
        return line.find(separators[0]);
    return line.find_first_of(separators);
}

// Position of the first unit that is `a` or `b`. Records are split field by field, so this is
// the innermost loop of reading a data file: four units are compared at a time (a lane of the
// word becomes zero where its unit equals the one searched for).
std::size_t FindEitherUnit(TextView line, char16_t a, char16_t b) {
    const char16_t* const units = line.data();
    const std::size_t size = line.size();
    std::size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t kLaneOnes = 0x0001000100010001;
        constexpr std::uint64_t kLaneHighs = 0x8000800080008000;
        const std::uint64_t manyA = kLaneOnes * a;
        const std::uint64_t manyB = kLaneOnes * b;
        for (; i + 4 <= size; i += 4) {
            std::uint64_t word;
            std::memcpy(&word, units + i, sizeof word);
            const std::uint64_t diffA = word ^ manyA;
            const std::uint64_t diffB = word ^ manyB;
            // A borrow only runs upwards from a zero lane, so the lowest flagged lane is exact.
            const std::uint64_t zeroLanes =
                (((diffA - kLaneOnes) & ~diffA) | ((diffB - kLaneOnes) & ~diffB)) & kLaneHighs;
            if (zeroLanes != 0)
                return i + static_cast<std::size_t>(std::countr_zero(zeroLanes)) / 16;
        }
    }
    for (; i < size; ++i) {
        if (units[i] == a || units[i] == b)
            return i;
    }
    return TextView::npos;
}

// Position of the first separator or double quote, whichever comes first.
std::size_t FindSeparatorOrQuote(TextView line, TextView separators) {
    if (separators.size() == 1)
        return FindEitherUnit(line, separators[0], kQuote);
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == kQuote || IsSeparator(line[i], separators))
            return i;
    }
    return TextView::npos;
}

// IsSpace, for the inner loop.
bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool SkipsBlanks(TextView separators) {
    return !separators.empty() && separators[0] == u' ';
}

// Cuts `line` at the separator at `p`: the part before it, trimmed, is the field and the line
// goes on after it. Without a separator (npos) the whole line is the field, blanks kept.
TextView CutBefore(TextView& line, std::size_t p) {
    if (p == TextView::npos) {
        TextView whole = line;
        line = line.substr(line.size());
        return whole;
    }
    TextView field = TrimView(line.substr(0, p));
    line = line.substr(p + 1);
    return field;
}

void TrimInPlace(Text& text) {
    TextView trimmed = TrimView(text);
    if (trimmed.size() == text.size())
        return;
    std::size_t begin = static_cast<std::size_t>(trimmed.data() - text.data());
    text.erase(begin + trimmed.size());
    text.erase(0, begin);
}

// Applies `cut` (which advances a view) to a line held as Text, which keeps what is left.
template <typename Cut>
const Text& CutOwnedLine(Text& destination, Text& line, Cut cut) {
    TextView rest(line);
    cut(rest);
    line.erase(0, line.size() - rest.size());
    return destination;
}

}  // namespace

TextView SplitFieldView(TextView& line, TextView separators) {
    if (SkipsBlanks(separators)) {
        std::size_t blanks = 0;
        while (blanks < line.size() && IsSpace(line[blanks]))
            ++blanks;
        line = line.substr(blanks);
    }
    return CutBefore(line, FindSeparator(line, EffectiveSeparators(separators)));
}

const Text& SplitField(Text& destination, TextView& line, TextView separators) {
    destination.assign(SplitFieldView(line, separators));
    return destination;
}

const Text& SplitField(Text& destination, Text& line, TextView separators) {
    return CutOwnedLine(destination, line,
                        [&](TextView& rest) { SplitField(destination, rest, separators); });
}

const Text& TakeField(Text& destination, TextView& line, TextView separators) {
    if (line.empty()) {
        destination.clear();
        return destination;
    }
    separators = EffectiveSeparators(separators);
    std::size_t open = FindSeparatorOrQuote(line, separators);
    if (!SkipsBlanks(separators) && open == TextView::npos) {
        destination.assign(line);
        line.remove_prefix(line.size());
        return destination;
    }
    if (!SkipsBlanks(separators) && line[open] != kQuote) {
        // The common case, once per cell of every record: trimmed here rather than by
        // TrimView, which is not inlined.
        const char16_t* begin = line.data();
        const char16_t* end = begin + open;
        while (begin != end && IsBlank(*begin))
            ++begin;
        while (end != begin && IsBlank(end[-1]))
            --end;
        destination.clear();  // then append: a plain copy, without assign's overlap checks
        destination.append(begin, static_cast<std::size_t>(end - begin));
        line.remove_prefix(open + 1);
        return destination;
    }
    std::size_t close = TextView::npos;
    if (open != TextView::npos && line[open] == kQuote)
        close = line.find(kQuote, open + 1);
    if (close == TextView::npos)
        return SplitField(destination, line, separators);

    // Everything up to the closing quote, then whatever follows it up to the next separator.
    destination.assign(line.substr(0, close + 1));
    line = line.substr(close + 1);
    destination.append(SplitFieldView(line, separators));
    TrimInPlace(destination);
    if (destination.size() >= 2 && destination.front() == kQuote && destination.back() == kQuote) {
        destination.pop_back();
        destination.erase(0, 1);
    }
    return destination;
}

const Text& TakeField(Text& destination, Text& line, TextView separators) {
    return CutOwnedLine(destination, line,
                        [&](TextView& rest) { TakeField(destination, rest, separators); });
}

}  // namespace dorvex
