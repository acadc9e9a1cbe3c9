#include "RichTextBox.h"

#include "Cp1252.h"
#include "RichTextBoxPageLayout.h"
#include "RtfReader.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QPaintDevice>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kTwipsPerInch = 1440;

// Plain-text cards may come from a Windows editor or from a UTF-8 one.
QString decodePlainText(const QByteArray& data)
{
    QString text = fromUtf8OrCp1252(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setFrameShape(QFrame::NoFrame);
    // The card screens scroll the box with a strip of their own.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    document()->setUndoRedoEnabled(false);
    connect(document(), &QTextDocument::contentsChanged, this, &RichTextBox::releasePageLayout);
}

RichTextBox::~RichTextBox() = default;

bool RichTextBox::loadFile(const QString& fileName)
{
    m_errorString.clear();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        clear();
        m_errorString = QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    if (RtfReader::hasRtfHeader(content)) {
        RtfReader reader;
        reader.read(content, *document());
    } else {
        setText(decodePlainText(content));
    }
    moveCursor(QTextCursor::Start);
    verticalScrollBar()->setValue(0);
    return true;
}

QString RichTextBox::text() const
{
    return document()->toPlainText();
}

void RichTextBox::setText(const QString& text)
{
    // QTextEdit gives plain text the format under its cursor: after a formatted text
    // that is the look of that text's first character, which is not this text's.
    setCurrentCharFormat(QTextCharFormat());
    setPlainText(text);
    applyForegroundColor();
}

int RichTextBox::textLength() const
{
    return document()->characterCount() - 1;
}

int RichTextBox::selectionStart() const
{
    return textCursor().selectionStart();
}

void RichTextBox::setSelectionStart(int start)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, start, textLength()));
    setTextCursor(cursor);
}

int RichTextBox::selectionLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelectionLength(int length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(qBound(start, start + qMax(0, length), textLength()), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::selectionFontName() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return cursor.charFormat().font().family();
    QString family;
    const int end = cursor.selectionEnd();
    QTextCursor probe(document());
    for (int position = cursor.selectionStart() + 1; position <= end; ++position) {
        probe.setPosition(position);
        const QString here = probe.charFormat().font().family();
        if (family.isNull())
            family = here;
        else if (here != family)
            return {};
    }
    return family;
}

void RichTextBox::setSelectionFontName(const QString& family)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family});
    mergeCurrentCharFormat(format);
}

qreal RichTextBox::selectionFontSize() const
{
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return cursor.charFormat().font().pointSizeF();
    qreal size = -1;
    const int end = cursor.selectionEnd();
    QTextCursor probe(document());
    for (int position = cursor.selectionStart() + 1; position <= end; ++position) {
        probe.setPosition(position);
        const qreal here = probe.charFormat().font().pointSizeF();
        if (size < 0)
            size = here;
        else if (!qFuzzyCompare(here, size))
            return 0;
    }
    return size;
}

void RichTextBox::setSelectionFontSize(qreal points)
{
    if (points <= 0)
        return;
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeCurrentCharFormat(format);
}

void RichTextBox::setForegroundColor(const QColor& color)
{
    if (color == m_foregroundColor)
        return;
    m_foregroundColor = color;
    applyForegroundColor();
}

void RichTextBox::applyForegroundColor()
{
    if (!m_foregroundColor.isValid())
        return;
    QTextCharFormat format;
    format.setForeground(m_foregroundColor);
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.mergeCharFormat(format);
    mergeCurrentCharFormat(format);
}

QColor RichTextBox::backgroundColor() const
{
    return viewport()->palette().color(QPalette::Base);
}

void RichTextBox::setBackgroundColor(const QColor& color)
{
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, color);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
}

std::vector<qreal> RichTextBox::lineTops() const
{
    // Lines of cells standing side by side in a table share one top; they count once,
    // as a line of the box is one row of its text on screen.
    QAbstractTextDocumentLayout* layout = document()->documentLayout();
    layout->documentSize(); // finishes any layout still pending
    std::vector<qreal> tops;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        const QTextLayout* lines = block.layout();
        if (!lines || lines->lineCount() == 0)
            continue;
        const QRectF rect = layout->blockBoundingRect(block);
        const qreal origin = rect.top() - lines->boundingRect().top();
        for (int i = 0; i < lines->lineCount(); ++i)
            tops.push_back(origin + lines->lineAt(i).y());
    }
    std::sort(tops.begin(), tops.end());
    tops.erase(std::unique(tops.begin(), tops.end(),
                   [](qreal a, qreal b) { return std::abs(a - b) < 0.5; }),
        tops.end());
    return tops;
}

int RichTextBox::lineCount() const
{
    return qMax(1, int(lineTops().size()));
}

int RichTextBox::firstVisibleLine() const
{
    const std::vector<qreal> tops = lineTops();
    const qreal offset = verticalScrollBar()->value() + 0.5;
    const auto after = std::upper_bound(tops.begin(), tops.end(), offset);
    return qMax(0, int(after - tops.begin()) - 1);
}

bool RichTextBox::scrollLines(int lines)
{
    const std::vector<qreal> tops = lineTops();
    if (lines == 0 || tops.empty())
        return false;
    QScrollBar* bar = verticalScrollBar();
    const qreal offset = bar->value() + 0.5;
    const int first = qMax(0, int(std::upper_bound(tops.begin(), tops.end(), offset) - tops.begin()) - 1);
    const int target = int(qBound<qint64>(0, qint64(first) + lines, qint64(tops.size()) - 1));
    // The first line goes back to the very top, above the document's margin.
    const int value = target == 0 ? 0 : qRound(tops[target]);
    const int before = bar->value();
    bar->setValue(qBound(bar->minimum(), value, bar->maximum()));
    return bar->value() != before;
}

int RichTextBox::renderPage(QPainter& painter, const QRectF& page, const QMarginsF& marginsTwips,
    int firstCharacter)
{
    QPaintDevice* device = painter.device();
    const int length = textLength();
    if (!device || firstCharacter >= length)
        return length;
    const qreal toX = device->logicalDpiX() / kTwipsPerInch;
    const qreal toY = device->logicalDpiY() / kTwipsPerInch;
    const QRectF area = page.adjusted(marginsTwips.left() * toX, marginsTwips.top() * toY,
        -marginsTwips.right() * toX, -marginsTwips.bottom() * toY);
    if (area.width() < 1 || area.height() < 1)
        return length; // nothing fits; stopping beats printing blank pages forever

    if (!m_pageLayout || !m_pageLayout->fits(device, area.width()))
        m_pageLayout = std::make_unique<RichTextBoxPageLayout>(*document(), device, area.width());
    return m_pageLayout->render(painter, area, qMax(0, firstCharacter));
}

void RichTextBox::releasePageLayout()
{
    m_pageLayout.reset();
}
