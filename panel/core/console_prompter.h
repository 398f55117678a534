#pragma once

#include <QString>

#include <cstdio>
#include <mutex>

#include "prompter.h"

namespace dorvex::panel {

// Messages of the headless mode: one time-stamped line each on standard output. There is
// nobody to ask, so a question is answered Yes (the only one is whether to stop during a
// transfer, and stopping is what was asked for).
class ConsolePrompter : public Prompter {
  public:
    explicit ConsolePrompter(std::FILE* out = stdout) : out_(out) {}
    void ShowMessage(const QString& text) override;
    bool AskYesNo(const QString& text) override;
    // Writes one line; safe from any thread.
    void WriteLine(const QString& text);

  private:
    std::FILE* out_;
    std::mutex mutex_;
};

}  // namespace dorvex::panel
