#include "platform/module_path.h"

#include <dlfcn.h>

#include <cstdlib>
#include <memory>

#include "platform/path.h"

namespace dorvex {

Text ModulePath() {
    return ModulePathOf(reinterpret_cast<const void*>(&ModulePath));
}

Text ModulePathOf(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(info.dli_fname, nullptr),
                                                         &std::free);
    return FromUtf8(resolved ? resolved.get() : info.dli_fname);
}

Text ModuleDirectory() {
    return DirectoryWithSeparator(ModulePath());
}

}  // namespace dorvex
