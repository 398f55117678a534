// How the program binds the library by name: the eighteen exports are required, the newer
// ones (reasons, reply wait, reply timeout) are used when present and missed quietly.
#include <QDir>

#include <gtest/gtest.h>

#include "core/shared_dorvex_library.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

QString Stub(const char* name) {
    return QDir(QStringLiteral(DORVEX_PANEL_STUB_DIR))
        .filePath(u"stub_%1.so"_s.arg(QString::fromLatin1(name)));
}

std::unique_ptr<DorvexLibrary> Bind(const char* name) {
    QString error;
    auto library = SharedDorvexLibrary::Load({Stub(name)}, error);
    EXPECT_NE(library, nullptr) << error.toStdString();
    return library;
}

TEST(LibraryBindingTest, ANewerLibraryGivesItsReasonsWaitAndTimeout) {
    auto library = Bind("new");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->OpenDorvex(u"IPC"_s, u"1"_s, u"refuse"_s, 0, 0, u"table.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(),
              u"Connecting to refuse:1120 failed: connection refused"_s);
    // The text is the calling thread's: UTF-8 comes back as it went.
    EXPECT_EQ(library->SendWriteFile(u"prix_w.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(),
              u"no table of table.csv is named in the file name \"prix_w.csv\"; "
              "rename the file (Article, Département)"_s);
    EXPECT_EQ(library->GetTransferErrorText(), u"no reply to request 2 of 3 within 5000 ms"_s);
    int waited = 0;
    int limit = 0;
    EXPECT_TRUE(library->GetReplyWait(waited, limit));
    EXPECT_EQ(waited, 61000);
    EXPECT_EQ(library->SetReplyTimeout(1500, 1500), 1);
    // A reason longer than the buffer is cut, never overrun.
    library->SendWriteFile(QString(5000, u'x'));
    const QString cut = library->GetLastErrorText();
    EXPECT_GT(cut.size(), 1000);
    EXPECT_LT(cut.size(), 5000);
}

TEST(LibraryBindingTest, AnOlderLibraryStillServesWithoutReasons) {
    auto library = Bind("old");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(library->OpenDorvex(u"IPC"_s, u"1"_s, u"refuse"_s, 0, 0, u"table.csv"_s), -1);
    EXPECT_EQ(library->GetLastErrorText(), QString());
    EXPECT_EQ(library->GetTransferErrorText(), QString());
    int waited = -1;
    int limit = -1;
    EXPECT_FALSE(library->GetReplyWait(waited, limit));
    EXPECT_EQ(waited, 0);
    EXPECT_EQ(limit, 0);
    EXPECT_EQ(library->SetReplyTimeout(1500, 1500), 0);
    EXPECT_EQ(library->GetCommStatus(), 5);
}

TEST(LibraryBindingTest, ALibraryWithoutOneOfTheEighteenIsRefused) {
    QString error;
    EXPECT_EQ(SharedDorvexLibrary::Load({Stub("incomplete")}, error), nullptr);
    EXPECT_TRUE(error.endsWith(u"missing export(s) ReceiveData"_s)) << error.toStdString();
}

}  // namespace
}  // namespace dorvex::panel
