// Sets (or, given nullptr, removes) an environment variable for one test and puts the old
// value back when destroyed, even when the test fails half-way.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace dorvex::test {

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedEnvironment() { Set(old_ ? old_->c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    void Set(const char* value) const {
#ifdef _WIN32
        ::_putenv_s(name_.c_str(), value != nullptr ? value : "");  // empty removes it
#else
        if (value != nullptr)
            ::setenv(name_.c_str(), value, 1);
        else
            ::unsetenv(name_.c_str());
#endif
    }

    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace dorvex::test
