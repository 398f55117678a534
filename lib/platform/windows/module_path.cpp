#include "platform/module_path.h"

#include <windows.h>

#include "platform/path.h"

namespace dorvex {

Text ModulePath() {
    return ModulePathOf(reinterpret_cast<const void*>(&ModulePath));
}

Text ModulePathOf(const void* address) {
    HMODULE module = nullptr;
    const DWORD flags =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(flags, static_cast<LPCWSTR>(address), &module))
        return {};
    // Paths may be longer than MAX_PATH: grow the buffer until the name fits.
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return Text(reinterpret_cast<const char16_t*>(buffer.data()), length);
        buffer.resize(buffer.size() * 2);
    }
}

Text ModuleDirectory() {
    return DirectoryWithSeparator(ModulePath());
}

}  // namespace dorvex
