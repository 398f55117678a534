#include "text_file_reader.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace dorvex::panel {

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes without a character keep their own code, as
// the library maps them. Every other byte is the Latin-1 character of the same code.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr qsizetype kProbeUnits = 8;

QString StripLineEnd(QString line) {
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) {
        line.chop(1);
    }
    return line;
}

QString DecodeUtf16(const char* data, qsizetype bytes) {
    QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(data, bytes - bytes % 2));
}

QStringList SplitWhole(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        line = StripLineEnd(line);
    }
    return lines;
}

}  // namespace

bool TextFileReader::IsUtf16LineAt(const QByteArray& bytes, qsizetype at) {
    // 8-bit text has no zero bytes; UTF-16 of the log's ASCII time stamps has one in every
    // second place.
    qsizetype pairs = 0;
    qsizetype zeroHigh = 0;
    for (qsizetype i = at; i + 1 < bytes.size() && pairs < kProbeUnits; i += 2) {
        ++pairs;
        zeroHigh += bytes[i + 1] == '\0' ? 1 : 0;
        if (bytes[i] == '\n' && bytes[i + 1] == '\0') {
            break;  // the end of a short UTF-16 line; what follows is another line
        }
    }
    return pairs > 0 && zeroHigh * 2 >= pairs;
}

QString TextFileReader::DecodeEightBit(const QByteArray& bytes, const QString& codePage) {
    if (codePage.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0 ||
        codePage.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) == 0) {
        return QString::fromUtf8(bytes);
    }
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        text.append(code >= 0x80 && code <= 0x9F ? QChar(kWindows1252High[code - 0x80])
                                                 : QChar(code));
    }
    return text;
}

QStringList TextFileReader::DecodeLines(const QByteArray& bytes, const QString& codePage) {
    if (bytes.startsWith("\xFF\xFE")) {
        return SplitWhole(DecodeUtf16(bytes.constData() + 2, bytes.size() - 2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        return SplitWhole(QString::fromUtf8(bytes.mid(3)));
    }
    QStringList lines;
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype end = bytes.size();
        QString line;
        if (IsUtf16LineAt(bytes, at)) {
            for (qsizetype i = at; i + 1 < bytes.size(); i += 2) {
                if (bytes[i] == '\n' && bytes[i + 1] == '\0') {
                    end = i + 2;
                    break;
                }
            }
            line = DecodeUtf16(bytes.constData() + at, end - at);
        } else {
            const qsizetype newline = bytes.indexOf('\n', at);
            end = newline < 0 ? bytes.size() : newline + 1;
            line = DecodeEightBit(bytes.mid(at, end - at), codePage);
        }
        lines << StripLineEnd(line);
        at = end;
    }
    return lines;
}

qsizetype TextFileReader::FirstLineStart(const QByteArray& bytes) {
    const qsizetype newline = bytes.indexOf('\n');
    if (newline < 0) {
        return bytes.size();
    }
    // The line feed of a UTF-16 line is followed by its zero byte, which no line starts with.
    return newline + 1 < bytes.size() && bytes[newline + 1] == '\0' ? newline + 2 : newline + 1;
}

TextFileReader::Order TextFileReader::OrderFor(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".log"), Qt::CaseInsensitive) ? Order::NewestFirst
                                                                         : Order::FileOrder;
}

TextFileReader::Content TextFileReader::Read(const QString& path, Order order) {
    Content content;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        content.error = file.errorString();
        return content;
    }
    const qint64 size = file.size();
    content.shortened = size > kMaxBytes;
    QByteArray bytes;
    if (content.shortened && order == Order::NewestFirst) {
        file.seek(size - kMaxBytes);
        bytes = file.read(kMaxBytes);
        bytes.remove(0, FirstLineStart(bytes));
    } else {
        bytes = file.read(kMaxBytes);
    }
    if (file.error() != QFileDevice::NoError) {
        content.error = file.errorString();
        return content;
    }
    content.lines = DecodeLines(bytes, qEnvironmentVariable("DORVEX_CODEPAGE"));
    if (!content.lines.isEmpty() && content.lines.last().isEmpty()) {
        content.lines.removeLast();
    }
    if (order == Order::NewestFirst) {
        std::reverse(content.lines.begin(), content.lines.end());
    }
    return content;
}

}  // namespace dorvex::panel
