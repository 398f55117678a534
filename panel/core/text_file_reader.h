#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace dorvex::panel {

// Reads error.log and result files for the viewer. error.log holds lines of both encodings:
// a ".csw" transfer appends UTF-16 little-endian lines (without a byte-order mark) to a file
// whose other lines are 8-bit text in the data code page, so the encoding is told line by line.
// A result file is 8-bit text or, with a byte-order mark, UTF-16 throughout.
class TextFileReader {
  public:
    // Files are read up to this size: a log from its end, any other file from its start.
    static constexpr qint64 kMaxBytes = 4 * 1024 * 1024;

    enum class Order { FileOrder, NewestFirst };

    struct Content {
        QStringList lines;
        bool shortened = false;  // the file is larger than kMaxBytes
        QString error;           // why it could not be read; empty when it was
    };

    static Content Read(const QString& path, Order order);
    // The lines of bytes; 8-bit lines in codePage (Windows-1252 when empty or unknown).
    static QStringList DecodeLines(const QByteArray& bytes, const QString& codePage = {});
    // error.log is shown newest first; result and data files in their own order.
    static Order OrderFor(const QString& fileName);

  private:
    static bool IsUtf16LineAt(const QByteArray& bytes, qsizetype at);
    static QString DecodeEightBit(const QByteArray& bytes, const QString& codePage);
    // From the middle of a file: the start of the first whole line.
    static qsizetype FirstLineStart(const QByteArray& bytes);
};

}  // namespace dorvex::panel
