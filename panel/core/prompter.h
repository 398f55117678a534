#pragma once

#include <QString>

namespace dorvex::panel {

// Message boxes of the program: the window shows modal boxes, the headless mode writes to
// standard output, tests answer themselves.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual void ShowMessage(const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const QString& text) = 0;
};

}  // namespace dorvex::panel
