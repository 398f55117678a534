#include "text_file_viewer.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/string_table.h"
#include "core/text_file_reader.h"

namespace dorvex::panel {

namespace {

QString NoteFor(const TextFileReader::Content& content, TextFileReader::Order order,
                int languageCode) {
    if (!content.error.isEmpty()) {
        return StringTable::Text(languageCode, TextId::CannotReadFile) + content.error;
    }
    QStringList notes;
    if (order == TextFileReader::Order::NewestFirst) {
        notes << StringTable::Text(languageCode, TextId::NewestLinesFirst);
    }
    if (content.shortened) {
        notes << StringTable::Text(languageCode, TextId::OnlyLastMegabytesShown)
                     .arg(TextFileReader::kMaxBytes / (1024 * 1024));
    }
    return notes.join(QStringLiteral(" · "));
}

}  // namespace

TextFileViewer::TextFileViewer(const QString& path, int languageCode, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FileViewer"));
    const QFileInfo info(path);
    setWindowTitle(QStringLiteral("Dorvex Panel - ") + info.fileName());
    const TextFileReader::Order order = TextFileReader::OrderFor(info.fileName());
    const TextFileReader::Content content = TextFileReader::Read(path, order);

    auto* pathLine = new QLabel(QDir::toNativeSeparators(info.absoluteFilePath()), this);
    pathLine->setObjectName(QStringLiteral("FileViewerPath"));
    pathLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* note = new QLabel(NoteFor(content, order, languageCode), this);
    note->setObjectName(QStringLiteral("FileViewerNote"));
    note->setWordWrap(true);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("FileViewerText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text->setPlainText(content.lines.join(QLatin1Char('\n')));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)
        ->setText(StringTable::Text(languageCode, TextId::Close));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pathLine);
    layout->addWidget(note);
    layout->addWidget(text, 1);
    layout->addWidget(buttons);
    resize(760, 420);
}

TextFileViewer* TextFileViewer::Open(const QString& path, int languageCode, QWidget* parent) {
    auto* viewer = new TextFileViewer(path, languageCode, parent);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->show();
    return viewer;
}

QString TextFileViewer::Text() const {
    const auto* text = findChild<QPlainTextEdit*>(QStringLiteral("FileViewerText"));
    return text ? text->toPlainText() : QString();
}

}  // namespace dorvex::panel
