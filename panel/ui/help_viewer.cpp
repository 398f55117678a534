#include "help_viewer.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/string_table.h"

// The help pages are compiled into a static library: its resources need an explicit start.
static void InitHelpResources() {
    Q_INIT_RESOURCE(panel);
}

namespace dorvex::panel {

QString HelpViewer::HelpFilePath(const QString& programDir, int languageCode) {
    return QDir(programDir)
        .filePath(languageCode == kFrench ? QStringLiteral("DorvexPanel_fr.chm")
                                          : QStringLiteral("DorvexPanel_uk.chm"));
}

QString HelpViewer::OwnPage(int languageCode) {
    return languageCode == kFrench ? QStringLiteral(":/help/help_fr.html")
                                   : QStringLiteral(":/help/help_en.html");
}

QWidget* HelpViewer::Open(const QString& programDir, int languageCode, QWidget* parent) {
    const QString file = HelpFilePath(programDir, languageCode);
    if (QFile::exists(file) && QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        return nullptr;
    }
    InitHelpResources();
    auto* dialog = new QDialog(parent);
    dialog->setObjectName(QStringLiteral("HelpWindow"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Dorvex Panel - ") +
                           StringTable::Text(languageCode, TextId::Help));
    auto* browser = new QTextBrowser(dialog);
    browser->setObjectName(QStringLiteral("HelpText"));
    browser->setSource(QUrl(QStringLiteral("qrc") + OwnPage(languageCode)));
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(browser);
    dialog->resize(640, 560);
    dialog->show();
    return dialog;
}

}  // namespace dorvex::panel
