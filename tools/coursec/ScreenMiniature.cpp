#include "ScreenMiniature.h"

#include "CourseCompiler.h"
#include "CourseError.h"
#include "DrawingKit.h"

#include <QDir>
#include <QLinearGradient>
#include <QPainter>

namespace {

using Row = QHash<QString, QString>;

// The SQL without its "--" comments, quoted strings kept whole.
QString withoutComments(const QString& sql)
{
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('-') && i + 1 < sql.size() && sql.at(i + 1) == QLatin1Char('-')) {
            while (i < sql.size() && sql.at(i) != QLatin1Char('\n'))
                ++i;
            out += QLatin1Char('\n');
            continue;
        }
        out += c;
    }
    return out;
}

// The values of one "( ... )" tuple from POS, which is left after its closing bracket.
QStringList tupleAt(const QString& sql, qsizetype& pos)
{
    QStringList values;
    QString value;
    bool quoted = false;
    for (++pos; pos < sql.size(); ++pos) {
        const QChar c = sql.at(pos);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted && (c == QLatin1Char(',') || c == QLatin1Char(')'))) {
            const QString v = value.trimmed();
            values << (v.compare(QLatin1String("null"), Qt::CaseInsensitive) == 0 ? QString() : v);
            value.clear();
            if (c == QLatin1Char(')')) {
                ++pos;
                break;
            }
            continue;
        }
        value += c;
    }
    return values;
}

int number(const Row& row, const char* column)
{
    return row.value(QString::fromLatin1(column)).toInt();
}

// A nine-digit colour "RRRGGGBBB", or FALLBACK.
QColor nineDigitColour(const QString& text, const QColor& fallback)
{
    if (text.size() != 9)
        return fallback;
    return QColor(text.left(3).toInt(), text.mid(3, 3).toInt(), text.right(3).toInt());
}

// A few grey lines standing for the text of a box.
void drawSampleLines(QPainter& painter, const QRect& box, int step)
{
    painter.setPen(QPen(QColor(150, 150, 150), 3));
    int line = 0;
    for (int y = box.top() + step; y < box.bottom() - 4; y += step, ++line)
        painter.drawLine(box.left() + 8, y, box.right() - 8 - (line % 3) * box.width() / 6, y);
}

// A drawn still of the video: sky, ground and a speaker.
void drawStill(QPainter& painter, const QRect& area)
{
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0, QColor(120, 170, 220));
    sky.setColorAt(1, QColor(210, 230, 245));
    painter.fillRect(area, sky);
    const QRect ground(area.left(), area.top() + area.height() * 2 / 3, area.width(), area.height() / 3);
    painter.fillRect(ground, QColor(120, 160, 90));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 80, 60));
    const QPoint centre = area.center();
    painter.drawRoundedRect(QRect(centre.x() - 22, centre.y(), 44, area.height() / 3), 10, 10);
    painter.setBrush(QColor(240, 200, 160));
    painter.drawEllipse(QPoint(centre.x(), centre.y() - 14), 18, 18);
}

} // namespace

ScreenMiniature::ScreenMiniature(const QString& sourceFolder, const QString& outputFolder)
    : m_source(sourceFolder)
    , m_output(outputFolder)
{
}

QList<Row> ScreenMiniature::parseRows(const QString& text)
{
    const QString sql = withoutComments(text);
    QList<Row> rows;
    const QString head = QStringLiteral("insert into pantalla");
    for (qsizetype at = sql.indexOf(head, 0, Qt::CaseInsensitive); at >= 0; at = sql.indexOf(head, at, Qt::CaseInsensitive)) {
        qsizetype pos = sql.indexOf(QLatin1Char('('), at);
        if (pos < 0)
            break;
        QStringList columns = tupleAt(sql, pos);
        for (QString& column : columns)
            column = column.toLower();
        const qsizetype end = sql.indexOf(QLatin1Char(';'), pos);
        while (pos >= 0 && (end < 0 || pos < end)) {
            pos = sql.indexOf(QLatin1Char('('), pos);
            if (pos < 0 || (end >= 0 && pos > end))
                break;
            const QStringList values = tupleAt(sql, pos);
            Row row;
            for (qsizetype i = 0; i < columns.size() && i < values.size(); ++i)
                row.insert(columns.at(i), values.at(i));
            rows << row;
        }
        at = end < 0 ? sql.size() : end;
    }
    return rows;
}

QImage ScreenMiniature::picture(const QString& name) const
{
    QString path = name;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QImage image;
    if (!image.load(m_output + QLatin1Char('/') + path))
        throw CourseError(QStringLiteral("screen miniature: cannot read %1").arg(path));
    return image;
}

QImage ScreenMiniature::render(int code, const QString& title) const
{
    QString sql;
    const QStringList files = QDir(m_source).entryList({ QStringLiteral("content*.sql") }, QDir::Files, QDir::Name);
    for (const QString& file : files)
        sql += readTextFile(m_source + QLatin1Char('/') + file) + QLatin1Char('\n');
    QList<Row> rows;
    for (const Row& row : parseRows(sql))
        if (number(row, "codigo") == code)
            rows << row;

    QImage screen;
    for (const Row& row : rows)
        if (number(row, "objeto") == 0 && !row.value(QStringLiteral("bitmapreposo")).isEmpty())
            screen = picture(row.value(QStringLiteral("bitmapreposo"))).convertToFormat(QImage::Format_RGB32);
    if (screen.isNull())
        throw CourseError(QStringLiteral("screen miniature: screen %1 has no background row").arg(code));
    if (!m_backdrop.isEmpty())
        screen = picture(m_backdrop).convertToFormat(QImage::Format_RGB32).scaled(screen.size());

    QPainter painter(&screen);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!m_videoArea.isEmpty())
        drawStill(painter, m_videoArea);
    int subtitle = 0;
    for (const Row& row : rows) {
        const QRect box(number(row, "x"), number(row, "y"), number(row, "ancho"), number(row, "alto"));
        const QString rest = row.value(QStringLiteral("bitmapreposo"));
        const QColor paper = nineDigitColour(row.value(QStringLiteral("bitmapactivo")), Qt::white);
        switch (number(row, "objeto")) {
        case 3: // the video, whose row holds its size; the lesson places it
            if (m_videoArea.isEmpty())
                drawStill(painter, box);
            break;
        case 6: // lists
        case 16:
            painter.fillRect(box, paper);
            drawSampleLines(painter, box, 18);
            break;
        case 10: // text box
            painter.fillRect(box, paper);
            drawSampleLines(painter, box, 16);
            break;
        case 14: { // the card's picture
            painter.fillRect(box, QColor(255, 255, 255));
            drawStill(painter, box.adjusted(6, 6, -6, -6));
            break;
        }
        case 7: // control panels and scroll strips lie where their rows put them
        case 11:
            if (!rest.isEmpty())
                painter.drawImage(box.topLeft(), picture(rest));
            break;
        case 9: { // title or subtitle boxes
            if (box.isEmpty())
                break;
            const bool boxed = !row.value(QStringLiteral("bitmapactivo")).isEmpty();
            QString line = title;
            if (boxed) {
                painter.fillRect(box, paper);
                line = m_subtitles.value(subtitle++);
            }
            const int colour = number(row, "colorfont");
            painter.setPen(colour == 16777215 ? QColor(Qt::white) : (colour == 1 ? QColor(40, 30, 20) : QColor(Qt::black)));
            painter.setFont(DrawingKit::font(qMax(9, number(row, "tamanofont")), boxed ? QFont::Normal : QFont::Bold));
            painter.drawText(box.adjusted(6, 0, -6, 0), Qt::AlignVCenter | (boxed ? Qt::AlignLeft : Qt::AlignHCenter), line);
            break;
        }
        default:
            break;
        }
    }
    painter.end();
    return screen;
}
