#include "main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <tuple>
#include <type_traits>

#include "captions.h"
#include "clickable_label.h"
#include "core/config_file.h"
#include "core/free_space.h"
#include "core/mounted_volumes.h"
#include "core/reason_texts.h"
#include "core/request_kind.h"
#include "core/string_table.h"
#include "directory_list.h"
#include "elided_label.h"
#include "file_list.h"
#include "help_viewer.h"
#include "pictures.h"
#include "text_file_viewer.h"
#include "widget_prompter.h"

namespace dorvex::panel {

namespace {

constexpr int kFileListIntervalMs = 5000;
constexpr int kModePictureSize = 32;
// A reply that comes within this time is the normal case: no need to say it is awaited.
constexpr int kShownWaitMs = 1000;
// Lists may shrink this far so that the window fits a 640x480 screen.
constexpr int kListMinimumHeight = 32;
// Margins and spacing of the window's layouts: small enough for a 640x480 screen.
constexpr int kMargin = 6;
constexpr int kSpacing = 4;
constexpr int kTabIconSize = 16;
constexpr int kReasonLines = 2;

// Creates a control with its program name and, when it has one, its text number.
template <typename Widget>
Widget* Make(QWidget* parent, const char* name, int tag = 0) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    if (tag > 0) {
        widget->setProperty(kTagProperty, QString::number(tag));
    }
    return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, int tag, const QString& text) {
    auto* label = Make<QLabel>(parent, name, tag);
    label->setText(text);
    return label;
}

// A control whose caption comes from its text number (English until the language is applied).
QLabel* MakeTaggedLabel(QWidget* parent, const char* name, TextId tag) {
    return MakeLabel(parent, name, static_cast<int>(tag), StringTable::Text(kEnglish, tag));
}

template <typename Widget>
Widget* MakeCaptioned(QWidget* parent, const char* name, TextId tag) {
    auto* widget = Make<Widget>(parent, name, static_cast<int>(tag));
    if constexpr (std::is_base_of_v<QGroupBox, Widget>) {
        widget->setTitle(StringTable::Text(kEnglish, tag));
    } else {
        widget->setText(StringTable::Text(kEnglish, tag));
    }
    return widget;
}

QLabel* MakePicture(QWidget* parent, const char* name, const QPixmap& pixmap) {
    auto* label = Make<QLabel>(parent, name);
    label->setPixmap(pixmap);
    return label;
}

QSlider* MakeSlider(QWidget* parent, const char* name, int min, int max, int value) {
    auto* slider = Make<QSlider>(parent, name);
    slider->setOrientation(Qt::Horizontal);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    slider->setValue(value);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(max / 10);
    return slider;
}

}  // namespace

MainWindow::MainWindow(Options options, QWidget* parent)
    : QMainWindow(parent), options_(std::move(options)), fileListTimer_(this), clockTimer_(this) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Dorvex Panel"));
    setWindowIcon(QIcon(Pictures::Scale(64)));
    if (options_.prompter) {
        prompter_ = options_.prompter;
    } else {
        ownPrompter_ = std::make_unique<WidgetPrompter>(this, [this] { return languageCode_; });
        prompter_ = ownPrompter_.get();
    }
    if (options_.volumes) {
        volumes_ = options_.volumes;
    } else {
        ownVolumes_ = std::make_unique<MountedVolumes>();
        volumes_ = ownVolumes_.get();
    }
    supervisor_ = std::make_unique<TransferSupervisor>(options_.loader, *prompter_,
                                                       [this] { return ReadSettings(); });
    supervisor_->SetBackgroundPolling(options_.backgroundPolling);
    supervisor_->SetReplyTimeout(options_.replyTimeoutMs);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kSpacing);
    layout->addWidget(BuildTitleRow());
    tabs_ = Make<QTabWidget>(central, "SSTab1");
    tabs_->addTab(BuildDirectoriesTab(), QStringLiteral("Directories"));
    tabs_->addTab(BuildTimersTab(), QStringLiteral("Timers"));
    tabs_->addTab(BuildOptionsTab(), QStringLiteral("Options"));
    tabs_->addTab(BuildCommunicationTab(), QStringLiteral("Communication"));
    tabs_->setIconSize(QSize(kTabIconSize, kTabIconSize));
    nextStartNote_ = MakeTaggedLabel(tabs_, "L_NextStart", TextId::AppliesAtNextStart);
    nextStartNote_->setIndent(6);
    tabs_->setCornerWidget(nextStartNote_, Qt::TopRightCorner);
    nextStartNote_->hide();
    layout->addWidget(tabs_, 1);
    layout->addWidget(BuildFileLists(), 1);
    layout->addWidget(BuildFooter());
    setCentralWidget(central);
    BuildStatusBar();

    for (int i = 0; i < PanelSettings::kDeviceCount; ++i) {
        deviceNo_->addItem(QString::number(i));
    }
    deviceNo_->setCurrentIndex(-1);
    // The controls' initial states: the current drive and directory.
    PanelSettings initial;
    initial.drive = volumes_->DriveOf(QDir::currentPath());
    initial.inputDir = initial.outputDir = initial.errorDir = QDir::currentPath();
    ShowSettings(initial);
    ConnectControls();
    ConnectSupervisor();
    SyncDirectoryViews();
    ShowTimerValues();
    ShowMissingSettings();

    fileListTimer_.setObjectName(QStringLiteral("Timer_FileList"));
    fileListTimer_.setInterval(kFileListIntervalMs);
    connect(&fileListTimer_, &QTimer::timeout, this, &MainWindow::GetFileInfo);
    fileListTimer_.start();
    clockTimer_.setInterval(1000);
    connect(&clockTimer_, &QTimer::timeout, this, &MainWindow::ShowClock);
    clockTimer_.start();
    ShowClock();
    resize(760, 700);
}

MainWindow::~MainWindow() {
    // The supervisor closes the library's engine if the mode still runs; its signals must not
    // reach the half-destroyed window.
    supervisor_->disconnect(this);
}

QWidget* MainWindow::BuildTitleRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(MakePicture(row, "Image1", Pictures::Scale(kModePictureSize)));
    title_ = MakeTaggedLabel(row, "Label1", TextId::WindowTitle);
    QFont font = title_->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    title_->setFont(font);
    title_->setWordWrap(true);  // two lines rather than a window too wide for a small screen
    layout->addWidget(title_, 1);
    modePicture_ = MakePicture(
        row, "I_Mode", Pictures::Mode(options_.programDir, PanelMode::Off, kModePictureSize));
    layout->addWidget(modePicture_);
    modeButton_ = Make<QPushButton>(row, "CB_Mode");
    modeButton_->setText(QStringLiteral("Start"));
    modeButton_->setMinimumWidth(90);
    layout->addWidget(modeButton_);
    helpButton_ = Make<QToolButton>(row, "CB_Help");
    helpButton_->setIcon(QIcon(Pictures::Help(28)));
    helpButton_->setIconSize(QSize(28, 28));
    helpButton_->setAutoRaise(true);
    layout->addWidget(helpButton_);
    layout->addWidget(MakePicture(row, "Image2", Pictures::Clock(32)));
    return row;
}

QWidget* MainWindow::BuildDirectoriesTab() {
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setVerticalSpacing(kSpacing);
    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(MakeTaggedLabel(tab, "L_Drive", TextId::Drive));
    drive_ = Make<QComboBox>(tab, "Drive1");
    drive_->addItems(volumes_->DriveTexts());
    drive_->setMinimumWidth(220);
    driveRow->addWidget(drive_);
    driveRow->addStretch(1);
    grid->addLayout(driveRow, 0, 0, 1, 3);
    dirIn_ = Make<DirectoryList>(tab, "Dir_In");
    dirOut_ = Make<DirectoryList>(tab, "Dir_Out");
    dirError_ = Make<DirectoryList>(tab, "Dir_Error");
    grid->addWidget(MakeTaggedLabel(tab, "L_DirIn", TextId::InputDirectory), 1, 0);
    grid->addWidget(MakeTaggedLabel(tab, "L_DirOut", TextId::OutputDirectory), 1, 1);
    grid->addWidget(MakeTaggedLabel(tab, "L_DirError", TextId::ErrorDirectory), 1, 2);
    grid->addWidget(dirIn_, 2, 0);
    grid->addWidget(dirOut_, 2, 1);
    grid->addWidget(dirError_, 2, 2);
    // The chosen directory as a full path that can be copied, whatever the list shows.
    int column = 0;
    for (auto [line, name] :
         {std::pair{&dirInPath_, "T_DirInPath"}, std::pair{&dirOutPath_, "T_DirOutPath"},
          std::pair{&dirErrorPath_, "T_DirErrorPath"}}) {
        *line = Make<QLineEdit>(tab, name);
        (*line)->setReadOnly(true);
        grid->addWidget(*line, 3, column++);
    }
    for (DirectoryList* list : {dirIn_, dirOut_, dirError_}) {
        list->setMinimumHeight(kListMinimumHeight);
    }
    auto* frame = MakeCaptioned<QGroupBox>(tab, "F_InputFile", TextId::InputFileAfterTransfer);
    // One above the other: side by side they would not fit a 640-pixel screen in French.
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(kMargin, kSpacing, kMargin, kSpacing);
    frameLayout->setSpacing(kSpacing);
    moveInput_ =
        MakeCaptioned<QRadioButton>(frame, "O_MoveInputFile", TextId::MoveToOutputDirectory);
    deleteInput_ = MakeCaptioned<QRadioButton>(frame, "O_DeleteInputFile", TextId::RemoveInputFile);
    frameLayout->addWidget(moveInput_);
    frameLayout->addWidget(deleteInput_);
    grid->addWidget(frame, 4, 0, 1, 3);
    grid->setRowStretch(2, 1);
    return tab;
}

QWidget* MainWindow::BuildTimersTab() {
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(MakeTaggedLabel(tab, "L_TimerIn", TextId::InputPullingInterval), 0, 0, 1, 3);
    scanSlider_ = MakeSlider(tab, "Slider_TimerIn", PanelSettings::kScanIntervalMin,
                             PanelSettings::kScanIntervalMax, 10);
    scanMin_ = MakeLabel(tab, "L_TimerInMin", 0, QStringLiteral("1 s"));
    scanMax_ = MakeLabel(tab, "L_TimerInOut", 0, QStringLiteral("60 s"));
    scanValue_ = Make<QLabel>(tab, "L_TimerInValue");
    grid->addWidget(scanMin_, 1, 0);
    grid->addWidget(scanSlider_, 1, 1);
    grid->addWidget(scanMax_, 1, 2);
    grid->addWidget(scanValue_, 1, 3);
    auto* unitRow = new QHBoxLayout;
    unitRow->addWidget(MakeTaggedLabel(tab, "L_TimeUnit", TextId::TimeUnit));
    scanUnit_ = Make<QComboBox>(tab, "CB_TimerInUnit");
    scanUnit_->addItems({QStringLiteral("s"), QStringLiteral("min")});
    scanUnit_->setCurrentIndex(-1);
    unitRow->addWidget(scanUnit_);
    unitRow->addStretch(1);
    grid->addLayout(unitRow, 2, 0, 1, 3);
    grid->addWidget(MakeTaggedLabel(tab, "L_TimerStatus", TextId::StatusPullingInterval), 3, 0, 1,
                    3);
    statusSlider_ = MakeSlider(tab, "Slider_TimerStatus", PanelSettings::kStatusIntervalMin,
                               PanelSettings::kStatusIntervalMax, 50);
    statusValue_ = Make<QLabel>(tab, "L_TimerStatusValue");
    grid->addWidget(MakeLabel(tab, "L_TimerStatusMin", 0, QStringLiteral("10 ms")), 4, 0);
    grid->addWidget(statusSlider_, 4, 1);
    grid->addWidget(MakeLabel(tab, "L_TimerStatusMax", 0, QStringLiteral("500 ms")), 4, 2);
    grid->addWidget(statusValue_, 4, 3);
    for (QLabel* value : {scanValue_, statusValue_}) {
        QFont font = value->font();
        font.setBold(true);
        value->setFont(font);
        // Room for the widest value, so that the slider does not jump while it moves.
        value->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QStringLiteral("500 min")));
    }
    grid->addWidget(MakePicture(tab, "Image3", Pictures::Clock(48)), 0, 4, 5, 1, Qt::AlignCenter);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);
    return tab;
}

QWidget* MainWindow::BuildOptionsTab() {
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setVerticalSpacing(kSpacing);
    auto* crRow = new QHBoxLayout;
    crRow->addWidget(MakeTaggedLabel(tab, "L_CRChar", TextId::CarriageReturnCharacters));
    crChar_ = Make<QLineEdit>(tab, "T_CRChar");
    crChar_->setMaximumWidth(80);
    crRow->addWidget(crChar_);
    crRow->addStretch(1);
    grid->addLayout(crRow, 0, 0, 1, 2);

    auto* language = MakeCaptioned<QGroupBox>(tab, "F_Language", TextId::Language);
    auto* languageLayout = new QHBoxLayout(language);
    frenchFlag_ = Make<ClickableLabel>(language, "I_French");
    frenchFlag_->setPixmap(Pictures::FrenchFlag(24));
    frenchFlag_->setCursor(Qt::PointingHandCursor);
    englishFlag_ = Make<ClickableLabel>(language, "I_English");
    englishFlag_->setPixmap(Pictures::EnglishFlag(24));
    englishFlag_->setCursor(Qt::PointingHandCursor);
    currentLanguage_ = Make<QLabel>(language, "L_CurrentLanguage");
    languageLayout->addWidget(frenchFlag_);
    languageLayout->addWidget(englishFlag_);
    languageLayout->addWidget(currentLanguage_, 1);
    grid->addWidget(language, 1, 0);

    auto* start = MakeCaptioned<QGroupBox>(tab, "Frame1", TextId::ProgramStart);
    auto* startLayout = new QVBoxLayout(start);
    startMode_ = MakeCaptioned<QCheckBox>(start, "C_StartMode", TextId::AutomaticStart);
    minimized_ = MakeCaptioned<QCheckBox>(start, "C_Window", TextId::MinimizedWindow);
    startLayout->addWidget(startMode_);
    startLayout->addWidget(minimized_);
    grid->addWidget(start, 1, 1);

    auto* errors = MakeCaptioned<QGroupBox>(tab, "F_ErrorMessages", TextId::ErrorMessages);
    auto* errorsLayout = new QHBoxLayout(errors);
    showErrors_ = MakeCaptioned<QRadioButton>(errors, "O_Show", TextId::Show);
    hideErrors_ = MakeCaptioned<QRadioButton>(errors, "O_Hide", TextId::Hide);
    errorsLayout->addWidget(showErrors_);
    errorsLayout->addWidget(hideErrors_);
    grid->addWidget(errors, 2, 0);
    grid->setRowStretch(3, 1);
    return tab;
}

QWidget* MainWindow::BuildCommunicationTab() {
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setVerticalSpacing(kSpacing);
    grid->addWidget(MakeTaggedLabel(tab, "L_IPAddress", TextId::IpAddress), 0, 0);
    ipAddress_ = Make<QLineEdit>(tab, "T_IPAddress");
    grid->addWidget(ipAddress_, 0, 1);
    grid->addWidget(MakeTaggedLabel(tab, "L_DeviceNo", TextId::ScaleNumber), 1, 0);
    deviceNo_ = Make<QComboBox>(tab, "CB_DeviceNo");
    grid->addWidget(deviceNo_, 1, 1);
    grid->addWidget(MakeTaggedLabel(tab, "L_Timeout", TextId::ConnectionTimeout), 2, 0);
    timeout_ = Make<QComboBox>(tab, "CB_Timeout");
    timeout_->setEditable(true);
    timeout_->setInsertPolicy(QComboBox::NoInsert);
    for (int i = 1; i <= PanelSettings::kTimeoutCount; ++i) {
        timeout_->addItem(QStringLiteral("%1 s").arg(i));
    }
    timeout_->setCurrentIndex(-1);
    grid->addWidget(timeout_, 2, 1);
    auto* charset = MakeCaptioned<QGroupBox>(tab, "F_Charset", TextId::CharacterSet);
    auto* charsetLayout = new QHBoxLayout(charset);
    unicode_ = Make<QRadioButton>(charset, "O_Unicode");
    unicode_->setText(QStringLiteral("UNICODE"));
    ansi_ = Make<QRadioButton>(charset, "O_Ansi");
    ansi_->setText(QStringLiteral("ANSI"));
    charsetLayout->addWidget(unicode_);
    charsetLayout->addWidget(ansi_);
    grid->addWidget(charset, 3, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(4, 1);
    return tab;
}

QWidget* MainWindow::BuildFileLists() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(kSpacing);
    fileIn_ = Make<FileList>(box, "File_In");
    fileOut_ = Make<FileList>(box, "File_Out");
    fileError_ = Make<FileList>(box, "File_Error");
    grid->addWidget(MakeTaggedLabel(box, "L_FileIn", TextId::FilesToTransfer), 0, 0);
    grid->addWidget(MakeTaggedLabel(box, "L_FileOut", TextId::FilesTransferredOk), 0, 1);
    auto* errorHeader = new QHBoxLayout;
    errorHeader->addWidget(MakeTaggedLabel(box, "L_FileError", TextId::FaultyFiles), 1);
    errorLogButton_ = MakeCaptioned<QPushButton>(box, "CB_ErrorLog", TextId::ErrorLog);
    errorLogButton_->setFlat(true);
    errorLogButton_->setStyleSheet(
        QStringLiteral("QPushButton { border: none; color: palette(link); text-decoration: "
                       "underline; padding: 0 2px; }"));
    errorLogButton_->setCursor(Qt::PointingHandCursor);
    errorHeader->addWidget(errorLogButton_);
    grid->addLayout(errorHeader, 0, 2);
    for (FileList* list : {fileIn_, fileOut_, fileError_}) {
        list->setMinimumHeight(kListMinimumHeight);
    }
    grid->addWidget(fileIn_, 1, 0);
    grid->addWidget(fileOut_, 1, 1);
    grid->addWidget(fileError_, 1, 2);
    // Why the chosen (or the latest) faulty file failed.
    // Wrapped anywhere, so that a long path in a reason never widens the window; copyable.
    faultyReason_ = Make<QPlainTextEdit>(box, "T_FileErrorReason");
    faultyReason_->setReadOnly(true);
    faultyReason_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    faultyReason_->setFrameShape(QFrame::NoFrame);
    faultyReason_->setStyleSheet(
        QStringLiteral("QPlainTextEdit { color: rgb(160, 0, 0); background: transparent; }"));
    faultyReason_->document()->setDocumentMargin(1);
    faultyReason_->setFixedHeight(faultyReason_->fontMetrics().lineSpacing() * kReasonLines + 4);
    faultyReason_->hide();
    grid->addWidget(faultyReason_, 2, 0, 1, 3);
    return box;
}

QWidget* MainWindow::BuildFooter() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    fileTransfered_ = MakeTaggedLabel(row, "L_FileTransfered", TextId::ProcessingFile);
    // A long file name must not widen the window; the whole text is in the tooltip.
    fileTransfered_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    fileTransfered_->hide();
    layout->addWidget(fileTransfered_, 1);
    layout->addStretch(0);
    freeSpaceWarning_ = MakePicture(row, "I_DangerFreeSpace", Pictures::Warning(20));
    freeSpaceWarning_->hide();
    layout->addWidget(freeSpaceWarning_);
    freeSpaceLabel_ = MakeTaggedLabel(row, "L_FreeSpace", TextId::FreeDiskSpace);
    layout->addWidget(freeSpaceLabel_);
    layout->addSpacing(16);
    version_ = MakeLabel(row, "L_Version", 0, QStringLiteral("V 1.0.0"));
    layout->addWidget(version_);
    return row;
}

void MainWindow::BuildStatusBar() {
    auto* bar = Make<QStatusBar>(this, "StatusBar1");
    setStatusBar(bar);
    panelDate_ = Make<QLabel>(bar, "Panel_Date");
    panelTime_ = Make<QLabel>(bar, "Panel_Time");
    panelMode_ = MakeLabel(bar, "Panel_Mode", 0, QStringLiteral("Mode repos"));
    panelStatus_ = MakeLabel(bar, "Panel_Status", 0, QStringLiteral("Prêt"));
    progress_ = Make<QProgressBar>(bar, "Progress_Transfer");
    progress_->setMaximumWidth(140);
    progress_->setTextVisible(true);
    progress_->hide();
    // What the user should know beyond the state: why something failed, a reply awaited.
    panelNotice_ = Make<ElidedLabel>(bar, "Panel_Notice");
    for (QLabel* panel : {panelDate_, panelTime_, panelMode_, panelStatus_}) {
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setMinimumWidth(70);
    }
    panelNotice_->setFrameShape(QFrame::StyledPanel);
    bar->addWidget(panelDate_);
    bar->addWidget(panelTime_);
    bar->addWidget(panelMode_);
    bar->addWidget(panelStatus_);
    bar->addWidget(progress_);
    bar->addWidget(panelNotice_, 1);
}

void MainWindow::ConnectControls() {
    connect(modeButton_, &QPushButton::clicked, this, [this] { supervisor_->SetMode(); });
    connect(helpButton_, &QToolButton::clicked, this, &MainWindow::OpenHelp);
    connect(frenchFlag_, &ClickableLabel::Clicked, this, [this] { SetLanguage(kFrench); });
    connect(englishFlag_, &ClickableLabel::Clicked, this, [this] { SetLanguage(kEnglish); });
    connect(startMode_, &QCheckBox::toggled, minimized_, &QWidget::setVisible);
    connect(drive_, &QComboBox::textActivated, this, &MainWindow::OnDriveChosen);
    const std::pair<DirectoryList*, FileList*> pairs[] = {
        {dirIn_, fileIn_}, {dirOut_, fileOut_}, {dirError_, fileError_}};
    for (const auto& [dirs, files] : pairs) {
        connect(dirs, &DirectoryList::PathChanged, files, &FileList::SetDirectory);
        connect(dirs, &DirectoryList::PathChanged, this, &MainWindow::SyncDirectoryViews);
        connect(dirs, &DirectoryList::CreateDirectoryRequested, this,
                [this, list = dirs] { OpenCreateDirectoryDialog(list); });
        connect(files, &FileList::itemActivated, this, [this, list = files](QListWidgetItem* item) {
            OpenFile(QDir(list->Directory()).filePath(item->text()));
        });
    }
    connect(fileError_, &FileList::currentItemChanged, this, &MainWindow::ShowFaultyFileReason);
    connect(errorLogButton_, &QPushButton::clicked, this, &MainWindow::OpenErrorLog);
    connect(scanSlider_, &QSlider::valueChanged, this, &MainWindow::ShowTimerValues);
    connect(statusSlider_, &QSlider::valueChanged, this, &MainWindow::ShowTimerValues);
    connect(scanUnit_, &QComboBox::currentIndexChanged, this, &MainWindow::ShowTimerValues);
    // Every control that a start check looks at.
    connect(scanUnit_, &QComboBox::currentIndexChanged, this, &MainWindow::ShowMissingSettings);
    connect(ipAddress_, &QLineEdit::textChanged, this, &MainWindow::ShowMissingSettings);
    connect(deviceNo_, &QComboBox::currentIndexChanged, this, &MainWindow::ShowMissingSettings);
    connect(timeout_, &QComboBox::currentTextChanged, this, &MainWindow::ShowMissingSettings);
}

void MainWindow::ConnectSupervisor() {
    connect(supervisor_.get(), &TransferSupervisor::ModeChanged, this, &MainWindow::ShowMode);
    connect(supervisor_.get(), &TransferSupervisor::StatusShown, this, &MainWindow::ShowStatus);
    connect(supervisor_.get(), &TransferSupervisor::CurrentFileShown, this,
            &MainWindow::ShowCurrentFile);
    connect(supervisor_.get(), &TransferSupervisor::ProgressShown, this, &MainWindow::ShowProgress);
    connect(supervisor_.get(), &TransferSupervisor::ReplyWaitShown, this,
            &MainWindow::ShowReplyWait);
    connect(supervisor_.get(), &TransferSupervisor::FileSettled, this, &MainWindow::ShowSettled);
    connect(supervisor_.get(), &TransferSupervisor::Notice, this, &MainWindow::ShowNotice);
    supervisor_->SetLibraryErrorSink(
        [window = QPointer<MainWindow>(this)](const QString& title, const QString& text) {
            // May come from the library's threads: the box opens on the window's thread.
            QMetaObject::invokeMethod(
                qApp,
                [window, title, text] {
                    if (window) {
                        window->ShowLibraryError(title, text);
                    }
                },
                Qt::QueuedConnection);
        });
}

QString MainWindow::Text(TextId id) const {
    return StringTable::Text(languageCode_, id);
}

void MainWindow::LoadSettings() {
    const auto lines = ConfigFile::Read(options_.configPath);
    PanelSettings settings = ReadSettings();
    if (lines) {
        ConfigFile::Apply(*lines, *volumes_, options_.programDir, settings);
        languageCode_ = settings.languageCode;
        ShowCurrentLanguage();
        ShowSettings(settings);
        startsMinimized_ = settings.minimizedWindow;
    } else {
        SetLanguage(kFrench);
    }
    supervisor_->SetLanguage(languageCode_);
    ShowMode(PanelMode::Off);
    ShowStatus(0);
    if (lines && settings.autoStart) {
        supervisor_->SetMode();
    }
    ApplyCaptions(*this, languageCode_);
    ShowMissingSettings();
    if (const auto tab = SettingsCheck::FirstTab(missing_)) {
        // What keeps the start from running comes first into view.
        tabs_->setCurrentIndex(static_cast<int>(*tab));
    }
    GetFileInfo();
    version_->setText(QStringLiteral("Ver. %1.%2.%3")
                          .arg(DORVEX_PANEL_VERSION_MAJOR)
                          .arg(DORVEX_PANEL_VERSION_MINOR)
                          .arg(DORVEX_PANEL_VERSION_REVISION));
}

PanelSettings MainWindow::ReadSettings() const {
    PanelSettings s;
    s.languageCode = languageCode_;
    s.drive = drive_->currentText();
    s.inputDir = dirIn_->Path();
    s.outputDir = dirOut_->Path();
    s.errorDir = dirError_->Path();
    s.deleteInputFile = deleteInput_->isChecked();
    s.scanInterval = scanSlider_->value();
    s.scanUnitIndex = scanUnit_->currentIndex();
    s.statusIntervalMs = statusSlider_->value();
    s.autoStart = startMode_->isChecked();
    s.minimizedWindow = minimized_->isChecked();
    s.ipAddress = ipAddress_->text();
    s.deviceIndex = deviceNo_->currentIndex();
    s.crChar = crChar_->text();
    if (unicode_->isChecked() || ansi_->isChecked()) {
        s.unicode = unicode_->isChecked();
    }
    // A typed text that is not one of the entries counts as no choice.
    s.timeoutIndex = timeout_->findText(timeout_->currentText(), Qt::MatchExactly);
    s.showErrors = showErrors_->isChecked();
    return s;
}

void MainWindow::ShowSettings(const PanelSettings& s) {
    {
        const QSignalBlocker blocker(drive_);
        if (drive_->findText(s.drive) < 0 && !s.drive.isEmpty()) {
            drive_->addItem(s.drive);
        }
        drive_->setCurrentIndex(drive_->findText(s.drive));
    }
    dirIn_->SetPath(s.inputDir);
    dirOut_->SetPath(s.outputDir);
    dirError_->SetPath(s.errorDir);
    deleteInput_->setChecked(s.deleteInputFile);
    moveInput_->setChecked(!s.deleteInputFile);
    scanSlider_->setValue(s.scanInterval);
    scanUnit_->setCurrentIndex(s.scanUnitIndex);
    statusSlider_->setValue(s.statusIntervalMs);
    startMode_->setChecked(s.autoStart);
    minimized_->setChecked(s.minimizedWindow);
    minimized_->setVisible(s.autoStart);
    ipAddress_->setText(s.ipAddress);
    deviceNo_->setCurrentIndex(s.deviceIndex);
    crChar_->setText(s.crChar);
    if (s.unicode) {
        unicode_->setChecked(*s.unicode);
        ansi_->setChecked(!*s.unicode);
    }
    timeout_->setCurrentIndex(s.timeoutIndex);
    if (s.timeoutIndex < 0) {
        timeout_->setEditText(QString());
    }
    showErrors_->setChecked(s.showErrors);
    hideErrors_->setChecked(!s.showErrors);
}

void MainWindow::SetLanguage(int languageCode) {
    languageCode_ = languageCode;
    supervisor_->SetLanguage(languageCode);
    ShowCurrentLanguage();
    ApplyCaptions(*this, languageCode_);
    // What the program writes itself follows at once rather than at its next change.
    if (shownStatus_) {
        ShowStatus(*shownStatus_);
        ShowMode(mode_);
    }
    ShowCurrentFile(shownFile_);
    ShowFreeSpace();
    ShowMissingSettings();
}

void MainWindow::ShowCurrentLanguage() {
    const QString name = StringTable::LanguageName(languageCode_);
    if (!name.isEmpty()) {
        currentLanguage_->setText(name);
    }
}

void MainWindow::ShowMode(PanelMode mode) {
    mode_ = mode;
    modeButton_->setText(mode == PanelMode::On ? QStringLiteral("Stop") : QStringLiteral("Start"));
    modePicture_->setPixmap(Pictures::Mode(options_.programDir, mode, kModePictureSize));
    panelMode_->setText(Text(mode == PanelMode::Off ? TextId::NoPulling : TextId::PullingRunning));
    EnableStartSettings(mode == PanelMode::Off);
    if (mode == PanelMode::Opening) {
        // Paint the change before the library blocks while it opens the link.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void MainWindow::ShowStatus(int status) {
    shownStatus_ = status;
    panelStatus_->setText(status >= 0 && status <= 5
                              ? Text(StatusTextId(status))
                              : Text(TextId::UnknownTransferStatus) + QString::number(status));
}

void MainWindow::ShowCurrentFile(const QString& name) {
    shownFile_ = name;
    fileTransfered_->setText(Text(TextId::ProcessingFile) + name);
    fileTransfered_->setToolTip(name);
    fileTransfered_->setVisible(!name.isEmpty());
    if (name.isEmpty()) {
        progress_->hide();
        progress_->reset();
    }
}

void MainWindow::ShowProgress(int sent, int expected) {
    if (shownFile_.isEmpty()) {
        return;
    }
    if (expected > 0) {
        progress_->setRange(0, expected);
        progress_->setValue(std::min(sent, expected));
        progress_->setFormat(QStringLiteral("%1 / %2").arg(sent).arg(expected));
    } else {
        progress_->setRange(0, 0);  // not known yet
    }
    progress_->show();
}

void MainWindow::ShowReplyWait(int waitedMilliseconds, int limitMilliseconds) {
    if (limitMilliseconds > 0 && waitedMilliseconds >= kShownWaitMs) {
        panelNotice_->SetFullText(
            ReasonTexts::ReplyWait(languageCode_, waitedMilliseconds, limitMilliseconds));
        noticeIsWait_ = true;
    } else if (noticeIsWait_) {
        panelNotice_->SetFullText(QString());
        noticeIsWait_ = false;
    }
}

void MainWindow::ShowNotice(const QString& text) {
    panelNotice_->SetFullText(text);
    noticeIsWait_ = false;
}

void MainWindow::ShowSettled(const QString& name, FileFate fate, const QString& reason) {
    GetFileInfo();
    if (reason.isEmpty()) {
        return;
    }
    ShowNotice(name + QStringLiteral(": ") + reason);
    if (fate == FileFate::MovedToError) {
        fileError_->SetNote(name, reason);
        faultyReason_->setPlainText(name + QStringLiteral(": ") + reason);
        faultyReason_->show();
    }
}

void MainWindow::ShowFaultyFileReason(QListWidgetItem* item) {
    // Only data files have a reason; error.log and result files are opened by a double click.
    if (!item || !RequestKindOf(item->text())) {
        return;
    }
    const QString note = fileError_->Note(item->text());
    faultyReason_->setPlainText(item->text() + QStringLiteral(": ") +
                                (note.isEmpty() ? Text(TextId::NoReasonRecorded) : note));
    faultyReason_->show();
}

void MainWindow::ShowTimerValues() {
    // Without a unit the ends keep their seconds, as before a choice.
    const QString unit =
        scanUnit_->currentIndex() == 1 ? QStringLiteral("min") : QStringLiteral("s");
    scanMin_->setText(QStringLiteral("%1 %2").arg(PanelSettings::kScanIntervalMin).arg(unit));
    scanMax_->setText(QStringLiteral("%1 %2").arg(PanelSettings::kScanIntervalMax).arg(unit));
    scanValue_->setText(QStringLiteral("%1 %2").arg(scanSlider_->value()).arg(unit));
    statusValue_->setText(QStringLiteral("%1 ms").arg(statusSlider_->value()));
}

void MainWindow::ShowMissingSettings() {
    missing_ = SettingsCheck::Missing(ReadSettings());
    for (int tab = 0; tab < tabs_->count(); ++tab) {
        QStringList messages;
        for (const MissingSetting& setting : missing_) {
            if (static_cast<int>(setting.tab) == tab) {
                messages << Text(setting.message);
            }
        }
        tabs_->setTabIcon(tab,
                          messages.isEmpty() ? QIcon() : QIcon(Pictures::Warning(kTabIconSize)));
        tabs_->setTabToolTip(tab, messages.join(QLatin1Char('\n')));
    }
}

void MainWindow::EnableStartSettings(bool enabled) {
    // These reach the library or the timers only at the next start.
    QWidget* const controls[] = {drive_,     dirIn_,        dirOut_,  dirError_,   scanSlider_,
                                 scanUnit_,  statusSlider_, crChar_,  showErrors_, hideErrors_,
                                 ipAddress_, deviceNo_,     timeout_, unicode_,    ansi_};
    for (QWidget* control : controls) {
        control->setEnabled(enabled);
    }
    nextStartNote_->setVisible(!enabled);
}

void MainWindow::SyncDirectoryViews() {
    const std::tuple<DirectoryList*, QLineEdit*, FileList*> views[] = {
        {dirIn_, dirInPath_, fileIn_},
        {dirOut_, dirOutPath_, fileOut_},
        {dirError_, dirErrorPath_, fileError_}};
    for (const auto& [list, line, files] : views) {
        const QString path = QDir::toNativeSeparators(list->Path());
        if (line->text() != path) {
            line->setText(path);
            line->setToolTip(path);
        }
        if (files->Directory() != list->Path()) {
            files->SetDirectory(list->Path());
        }
    }
    ShowMissingSettings();
}

void MainWindow::GetFileInfo() {
    fileError_->Refresh();
    fileIn_->Refresh();
    fileOut_->Refresh();
    freeSpace_ = FreeSpace::AvailableMegabytes(Volumes::RootOf(drive_->currentText()));
    ShowFreeSpace();
}

void MainWindow::ShowFreeSpace() {
    if (!freeSpace_) {
        return;
    }
    freeSpaceLabel_->setText(FreeSpace::Caption(languageCode_, *freeSpace_, QLocale()));
    const bool low = FreeSpace::IsLow(*freeSpace_);
    freeSpaceWarning_->setVisible(low);
    freeSpaceLabel_->setStyleSheet(low ? QStringLiteral("color: rgb(255, 0, 0);")
                                       : QStringLiteral("color: black;"));
}

void MainWindow::ShowClock() {
    const QDateTime now = QDateTime::currentDateTime();
    panelDate_->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
    panelTime_->setText(QLocale().toString(now.time(), QLocale::ShortFormat));
}

void MainWindow::ShowLibraryError(const QString& title, const QString& text) {
    WidgetPrompter::Show(this, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok,
                         languageCode_);
}

void MainWindow::OnDriveChosen(const QString& driveText) {
    // A drive whose directory cannot be shown (not ready) leaves the lists where they were.
    const QString directory = volumes_->CurrentDirectoryOf(driveText);
    for (DirectoryList* list : {dirIn_, dirOut_, dirError_}) {
        list->SetPath(directory);
    }
    GetFileInfo();
}

void MainWindow::OpenCreateDirectoryDialog(DirectoryList* list) {
    // The dialog's own controls create folders; its answer is not used.
    QFileDialog dialog(this, Text(TextId::CreateDirectory), list->Path(),
                       QStringLiteral("Directory (*.)"));
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program's own dialog, so that its buttons speak the window's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLabelText(QFileDialog::Accept, Text(TextId::Open));
    dialog.setLabelText(QFileDialog::Reject, Text(TextId::Cancel));
    dialog.setLabelText(QFileDialog::LookIn, Text(TextId::LookIn));
    dialog.setLabelText(QFileDialog::FileName, Text(TextId::FileName));
    dialog.setLabelText(QFileDialog::FileType, Text(TextId::FilesOfType));
    dialog.exec();
    list->Refresh();
}

void MainWindow::OpenHelp() {
    HelpViewer::Open(options_.programDir, languageCode_, this);
}

QWidget* MainWindow::OpenFile(const QString& path) {
    return TextFileViewer::Open(path, languageCode_, this);
}

void MainWindow::OpenErrorLog() {
    OpenFile(QDir(dirError_->Path()).filePath(QStringLiteral("error.log")));
}

void MainWindow::Terminate() {
    terminating_ = true;
    supervisor_->StopNow();
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (terminating_) {
        event->accept();  // a termination saves nothing, as "Stop" saves nothing
        return;
    }
    QString error;
    const QString savePath =
        options_.saveConfigPath.isEmpty() ? options_.configPath : options_.saveConfigPath;
    QDir().mkpath(QFileInfo(savePath).absolutePath());
    if (!ConfigFile::Write(savePath, ReadSettings(), &error)) {
        prompter_->ShowMessage(Text(TextId::SettingsNotSaved) + error);
    }
    if (supervisor_->AutoModeOn() && !supervisor_->SetMode()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace dorvex::panel
