#include "pictures.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPainterPath>

namespace dorvex::panel {

namespace {

QPixmap Blank(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QString Pictures::ModeIconFile(PanelMode mode) {
    switch (mode) {
        case PanelMode::On:
            return QStringLiteral("TRFFC10A.ICO");
        case PanelMode::Opening:
            return QStringLiteral("TRFFC10B.ICO");
        case PanelMode::Off:
            break;
    }
    return QStringLiteral("TRFFC10C.ICO");
}

QPixmap Pictures::Mode(const QString& programDir, PanelMode mode, int size) {
    const QString path = QDir(programDir).filePath(ModeIconFile(mode));
    if (QFile::exists(path)) {
        const QPixmap icon(path);
        if (!icon.isNull()) {
            return icon.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
    }
    return DrawnMode(mode, size);
}

QPixmap Pictures::DrawnMode(PanelMode mode, int size) {
    // A signal light: red when off, amber while the link opens, green when on.
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size * 0.42;
    const QRectF body((size - w) / 2, 1, w, size - 2);
    p.setBrush(QColor(45, 45, 45));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(body, w * 0.3, w * 0.3);
    const QColor lit[] = {QColor(230, 40, 40), QColor(245, 180, 0), QColor(40, 200, 70)};
    const int litIndex = mode == PanelMode::Off ? 0 : mode == PanelMode::Opening ? 1 : 2;
    const qreal d = (size - 4) / 3.0 * 0.8;
    for (int i = 0; i < 3; ++i) {
        const qreal cy = 2 + (size - 4) / 3.0 * (i + 0.5);
        p.setBrush(i == litIndex ? lit[i] : lit[i].darker(400));
        p.drawEllipse(QPointF(size / 2.0, cy), d / 2, d / 2);
    }
    return pixmap;
}

QPixmap Pictures::FrenchFlag(int height) {
    const int width = height * 3 / 2;
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    const int third = width / 3;
    p.fillRect(0, 0, third, height, QColor(0, 35, 149));
    p.fillRect(third, 0, third, height, Qt::white);
    p.fillRect(2 * third, 0, width - 2 * third, height, QColor(237, 41, 57));
    p.setPen(Qt::gray);
    p.drawRect(0, 0, width - 1, height - 1);
    return pixmap;
}

QPixmap Pictures::EnglishFlag(int height) {
    const int width = height * 2;
    QPixmap pixmap(width, height);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(pixmap.rect(), QColor(1, 33, 105));
    const qreal unit = height / 30.0;
    p.setPen(QPen(Qt::white, 6 * unit));
    p.drawLine(QPointF(0, 0), QPointF(width, height));
    p.drawLine(QPointF(0, height), QPointF(width, 0));
    p.setPen(QPen(QColor(200, 16, 46), 2 * unit));
    p.drawLine(QPointF(0, 0), QPointF(width, height));
    p.drawLine(QPointF(0, height), QPointF(width, 0));
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(0, height / 2.0 - 5 * unit, width, 10 * unit), Qt::white);
    p.fillRect(QRectF(width / 2.0 - 5 * unit, 0, 10 * unit, height), Qt::white);
    p.fillRect(QRectF(0, height / 2.0 - 3 * unit, width, 6 * unit), QColor(200, 16, 46));
    p.fillRect(QRectF(width / 2.0 - 3 * unit, 0, 6 * unit, height), QColor(200, 16, 46));
    return pixmap;
}

QPixmap Pictures::Warning(int size) {
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath triangle;
    triangle.moveTo(size / 2.0, 1);
    triangle.lineTo(size - 1, size - 1);
    triangle.lineTo(1, size - 1);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(120, 0, 0), 1.5));
    p.setBrush(QColor(255, 210, 0));
    p.drawPath(triangle);
    p.setPen(QPen(Qt::black, size / 10.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(size / 2.0, size * 0.35), QPointF(size / 2.0, size * 0.68));
    p.drawPoint(QPointF(size / 2.0, size * 0.83));
    return pixmap;
}

QPixmap Pictures::Help(int size) {
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(30, 100, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(size * 2 / 3);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("?"));
    return pixmap;
}

QPixmap Pictures::Scale(int size) {
    // A weighing scale with its label printer: the program's emblem.
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 32.0;
    p.setPen(QPen(QColor(60, 60, 60), s));
    p.setBrush(QColor(200, 205, 215));
    p.drawRoundedRect(QRectF(3 * s, 20 * s, 26 * s, 9 * s), 2 * s, 2 * s);
    p.setBrush(QColor(150, 160, 175));
    p.drawRect(QRectF(6 * s, 16 * s, 20 * s, 4 * s));
    p.setBrush(QColor(235, 240, 245));
    p.drawRect(QRectF(18 * s, 3 * s, 10 * s, 12 * s));
    p.setBrush(QColor(40, 160, 80));
    p.drawRect(QRectF(20 * s, 5 * s, 6 * s, 4 * s));
    p.setPen(QPen(QColor(60, 60, 60), 0.8 * s));
    for (int i = 0; i < 3; ++i) {
        p.drawLine(QPointF((8 + 4 * i) * s, 24 * s), QPointF((10 + 4 * i) * s, 24 * s));
    }
    return pixmap;
}

QPixmap Pictures::Clock(int size) {
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), size / 16.0));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(2, 2, size - 4, size - 4));
    const QPointF c(size / 2.0, size / 2.0);
    p.drawLine(c, c + QPointF(0, -size * 0.32));
    p.drawLine(c, c + QPointF(size * 0.22, 0));
    return pixmap;
}

}  // namespace dorvex::panel
