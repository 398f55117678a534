#pragma once

#include <QStringList>

#include <deque>

#include "core/prompter.h"

namespace dorvex::panel::testing {

// Keeps what would have been shown; questions are answered from a queue (Yes when empty).
class FakePrompter : public Prompter {
  public:
    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;

    void ShowMessage(const QString& text) override { messages << text; }
    bool AskYesNo(const QString& text) override {
        questions << text;
        if (answers.empty()) {
            return true;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace dorvex::panel::testing
