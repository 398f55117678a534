#include "platform/code_page.h"

#include <array>
#include <cctype>
#include <cstdlib>

#include "platform/iconv_converter.h"
#include "platform/system_encoding.h"

namespace dorvex {
namespace {

// 0x80..0x9F of Windows-1252; the five bytes without a character map to themselves.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsHighControl(unsigned char byte) {
    return static_cast<unsigned char>(byte - 0x80) < kHighControls.size();
}

// Widens bytes to UTF-16 units of the same value and says whether any byte was one of
// 0x80..0x9F (whose units differ). The inner loop of a fixed 16 bytes lets the compiler do each
// block in a few vector steps: data files are decoded line by line through here.
bool WidenBytes(const unsigned char* __restrict bytes, char16_t* __restrict units,
                std::size_t count) {
    constexpr std::size_t kBlock = 16;
    bool highControl = false;
    std::size_t i = 0;
    for (; i + kBlock <= count; i += kBlock) {
        unsigned char blockHas = 0;
        for (std::size_t k = 0; k < kBlock; ++k) {
            units[i + k] = bytes[i + k];
            blockHas |= static_cast<unsigned char>(IsHighControl(bytes[i + k]));
        }
        highControl = highControl || blockHas != 0;
    }
    for (; i < count; ++i) {
        units[i] = bytes[i];
        highControl = highControl || IsHighControl(bytes[i]);
    }
    return highControl;
}

class Windows1252CodePage final : public CodePage {
  public:
    Text Decode(std::string_view bytes) const override {
        Text out;
        DecodeInto(bytes, out);
        return out;
    }

    // Every byte but 0x80..0x9F stands for the unit of the same value.
    void DecodeInto(std::string_view bytes, Text& out) const override {
        out.resize(bytes.size());
        const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
        if (!WidenBytes(in, out.data(), bytes.size()))
            return;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (IsHighControl(in[i]))
                out[i] = kHighControls[in[i] - 0x80];
        }
    }

    std::string Encode(TextView text) const override {
        std::string out(text.size(), '\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            out[i] = EncodeUnit(text[i]);
        return out;
    }

    void EncodeAppend(TextView text, std::string& out) const override {
        const std::size_t start = out.size();
        out.resize(start + text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            out[start + i] = EncodeUnit(text[i]);
    }

    const std::string& Name() const override { return name_; }
    bool OneBytePerUnit() const override { return true; }

    char EncodeUnit(char16_t c) const override {
        if (c < 0x80 || (c >= 0xA0 && c < 0x100))
            return static_cast<char>(c);
        for (std::size_t k = 0; k < kHighControls.size(); ++k) {
            if (kHighControls[k] == c)
                return static_cast<char>(0x80 + k);
        }
        return '?';
    }

  private:
    std::string name_ = "WINDOWS-1252";
};

class IconvCodePage final : public CodePage {
  public:
    explicit IconvCodePage(std::string name) : name_(std::move(name)) {}
    bool Usable() const { return IconvConverter::Supports(name_); }
    Text Decode(std::string_view bytes) const override {
        return IconvConverter::ToUtf16(name_, bytes);
    }
    std::string Encode(TextView text) const override {
        return IconvConverter::FromUtf16(name_, text);
    }
    const std::string& Name() const override { return name_; }

  private:
    std::string name_;
};

bool IsWindows1252Name(std::string name) {
    for (auto& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "WINDOWS-1252" || name == "CP1252" || name == "1252";
}

struct CodePageSlot {
    std::mutex mutex;
    std::shared_ptr<const CodePage> current;
};

CodePageSlot& Slot() {
    static CodePageSlot slot;
    return slot;
}

}  // namespace

std::shared_ptr<const CodePage> CodePage::Windows1252() {
    static const auto page = std::make_shared<const Windows1252CodePage>();
    return page;
}

std::shared_ptr<const CodePage> CodePage::ByName(const std::string& name) {
    if (name.empty())
        return nullptr;
    if (IsWindows1252Name(name))
        return Windows1252();
    auto page = std::make_shared<const IconvCodePage>(name);
    if (!page->Usable())
        return nullptr;
    return page;
}

std::shared_ptr<const CodePage> DataCodePage() {
    auto& slot = Slot();
    std::lock_guard lock(slot.mutex);
    if (!slot.current) {
        const char* fromEnv = std::getenv("DORVEX_CODEPAGE");
        if (fromEnv != nullptr)
            slot.current = CodePage::ByName(fromEnv);
        if (!slot.current)
            slot.current = CodePage::ByName(DefaultDataCodePageName());
        if (!slot.current)
            slot.current = CodePage::Windows1252();
    }
    return slot.current;
}

bool SetDataCodePage(const std::string& name) {
    auto page = CodePage::ByName(name);
    if (!page)
        return false;
    auto& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.current = std::move(page);
    return true;
}

Text DecodeData(std::string_view bytes) {
    return DataCodePage()->Decode(bytes);
}

std::string EncodeData(TextView text) {
    return DataCodePage()->Encode(text);
}

}  // namespace dorvex
