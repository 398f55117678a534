#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace dorvex::panel {

// Language codes double as the thousands of the string identifiers.
inline constexpr int kFrench = 33;
inline constexpr int kEnglish = 44;

// The numbers of the program's texts. Captions are numbered by their tab (11 to 44: tab n's
// title is 10 * n + 1, its controls follow), the transfer states from 110 on, messages from
// 201 on and the labels of the file lists and their windows from 301 on.
enum class TextId : int {
    WindowTitle = 2,
    DirectoriesTab = 11,
    Drive = 12,
    InputDirectory = 13,
    OutputDirectory = 14,
    RemoveInputFile = 15,
    ErrorDirectory = 16,
    MoveToOutputDirectory = 17,
    InputFileAfterTransfer = 18,
    CreateDirectory = 19,
    TimersTab = 21,
    InputPullingInterval = 22,
    TimeUnit = 23,
    StatusPullingInterval = 24,
    OptionsTab = 31,
    AutomaticStart = 32,
    Language = 33,
    MinimizedWindow = 34,
    CarriageReturnCharacters = 35,
    ProgramStart = 36,
    CharacterSet = 37,
    ErrorMessages = 38,
    Show = 39,
    Hide = 40,
    CommunicationTab = 41,
    IpAddress = 42,
    ScaleNumber = 43,
    ConnectionTimeout = 44,
    NoPulling = 100,
    PullingRunning = 101,
    StatusReady = 110,
    StatusPrepareData = 111,
    StatusSendingRequest = 112,
    StatusReceivingRequest = 113,
    StatusTransferTerminated = 114,
    StatusTerminatedWithError = 115,
    UnknownTransferStatus = 119,
    SelectScaleNumber = 201,
    EnterIpAddress = 202,
    PortOpenFailed = 203,
    PortCloseFailed = 204,
    QuitBeforeTransferEnds = 205,
    SelectTimeUnit = 206,
    SelectSeparateDirectories = 207,
    FaultyFileNotMoved = 208,
    ToErrorDirectory = 209,
    ConfigureConnectionTimeout = 210,
    TransferredFileNotMoved = 211,
    ToOutputDirectory = 212,
    TransferredFileNotRemoved = 213,
    FromInputDirectory = 214,
    LibraryUnusable = 215,
    SettingsNotSaved = 216,
    RefusedByLibrary = 220,
    TransferEndedWithError = 221,
    NoReasonSeeErrorLog = 222,
    CouldNotBeMoved = 223,
    FreeDiskSpaceMegabytes = 224,
    NoResultFileWritten = 225,
    LinkNotOpened = 226,
    AddressTried = 227,
    RenameWithLowerCaseExtension = 228,
    CouldNotBeRemoved = 229,
    WaitingForReply = 230,
    ReplyTimeoutNotSettable = 231,
    NoReasonGiven = 232,
    Ok = 240,
    Cancel = 241,
    Yes = 242,
    No = 243,
    Open = 244,
    LookIn = 245,
    FileName = 246,
    FilesOfType = 247,
    Close = 248,
    FilesToTransfer = 301,
    FilesTransferredOk = 302,
    FaultyFiles = 303,
    FreeDiskSpace = 304,
    ProcessingFile = 305,
    Help = 306,
    AppliesAtNextStart = 307,
    ErrorLog = 308,
    NewestLinesFirst = 309,
    CannotReadFile = 310,
    OnlyLastMegabytesShown = 311,
    NoReasonRecorded = 312,
};

// The text of transfer status 0 to 5.
constexpr TextId StatusTextId(int status) {
    return static_cast<TextId>(static_cast<int>(TextId::StatusReady) + status);
}

// The program's texts in both languages. Text n of a language is stored under
// languageCode * 1000 + n; both languages have the same numbers.
class StringTable {
  public:
    // The text stored under a full identifier, if any.
    static std::optional<QString> Find(int identifier);
    // Text n of the language, or an empty text when it has no entry.
    static QString Text(int languageCode, int n);
    static QString Text(int languageCode, TextId id) {
        return Text(languageCode, static_cast<int>(id));
    }
    // "Français" or "English"; empty for an unknown code.
    static QString LanguageName(int languageCode);
    static bool IsKnownLanguage(int languageCode);
    // French for a French-speaking locale, English for every other.
    static int LanguageOf(const QLocale& locale);
};

}  // namespace dorvex::panel
