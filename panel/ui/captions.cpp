#include "captions.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTabWidget>
#include <QWidget>

#include "core/string_table.h"

namespace dorvex::panel {

namespace {

// A label's tag must be a whole number; other controls use the tag's leading number.
std::optional<int> LabelNumber(const QString& tag) {
    bool ok = false;
    const int number = tag.trimmed().toInt(&ok);
    return ok ? std::optional<int>(number) : std::nullopt;
}

std::optional<int> LeadingNumber(const QString& tag) {
    static const QRegularExpression digits(QStringLiteral("^\\d+"));
    const QRegularExpressionMatch match = digits.match(tag);
    const int number = match.hasMatch() ? match.captured().toInt() : 0;
    return number > 0 ? std::optional<int>(number) : std::nullopt;
}

void SetCaption(QWidget& widget, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
        button->setText(text);
    } else if (auto* frame = qobject_cast<QGroupBox*>(&widget)) {
        frame->setTitle(text);
    }
}

}  // namespace

void ApplyCaptions(QWidget& window, int languageCode) {
    const int offset = languageCode * 1000;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                // The tabs' titles are ten numbers apart, each followed by its controls'.
                const int title = static_cast<int>(TextId::DirectoriesTab) + 10 * i;
                if (const auto text = StringTable::Find(title + offset)) {
                    tabs->setTabText(i, *text);
                }
            }
            continue;
        }
        const QString tag = widget->property(kTagProperty).toString();
        if (tag.isEmpty()) {
            continue;
        }
        const auto number = qobject_cast<QLabel*>(widget) ? LabelNumber(tag) : LeadingNumber(tag);
        if (!number) {
            continue;
        }
        if (const auto text = StringTable::Find(*number + offset)) {
            SetCaption(*widget, *text);
        }
    }
}

}  // namespace dorvex::panel
