#include "RichTextBoxPageLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>

#include <algorithm>
#include <limits>

RichTextBoxPageLayout::RichTextBoxPageLayout(const QTextDocument& source, QPaintDevice* device,
    qreal width)
    : m_document(source.clone())
    , m_device(device)
    , m_dpiX(device->logicalDpiX())
    , m_dpiY(device->logicalDpiY())
    , m_width(width)
{
    m_document->setUndoRedoEnabled(false);
    m_document->documentLayout()->setPaintDevice(device);
    m_document->setDocumentMargin(0); // the page margins take its place
    m_document->setTextWidth(width);
    m_document->documentLayout()->documentSize(); // lays out the whole text now
    m_length = m_document->characterCount() - 1;

    QTextFrame* root = m_document->rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            addFrameBands(frame);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        const QTextLayout* layout = block.layout();
        const QRectF rect = m_document->documentLayout()->blockBoundingRect(block);
        const bool startsPage
            = block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
        if (layout->lineCount() == 0) {
            m_bands.push_back(Band{rect.top(), rect.bottom(), block.position(), startsPage});
            continue;
        }
        const qreal origin = rect.top() - layout->boundingRect().top();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const qreal top = origin + line.y();
            m_bands.push_back(Band{top, top + line.height(), block.position() + line.textStart(),
                startsPage && i == 0, i});
        }
    }
    // Positions must rise from band to band for pages to follow each other; a layout
    // oddity must not make a page start where an earlier one did.
    for (size_t i = 1; i < m_bands.size(); ++i)
        m_bands[i].start = std::max(m_bands[i].start, m_bands[i - 1].start + 1);
    if (!m_bands.empty())
        m_bands.front().start = 0;
}

RichTextBoxPageLayout::~RichTextBoxPageLayout() = default;

void RichTextBoxPageLayout::addFrameBands(QTextFrame* frame)
{
    const QRectF frameRect = m_document->documentLayout()->frameBoundingRect(frame);
    auto* table = qobject_cast<QTextTable*>(frame);
    if (!table || table->rows() == 0) {
        m_bands.push_back(Band{frameRect.top(), frameRect.bottom(), frame->firstPosition() - 1});
        return;
    }
    // A row is one band: its cells stand side by side, so cutting through a row would
    // print the start of one cell and the end of another on different pages.
    const QTextTableFormat format = table->format();
    const qreal inset = (format.cellPadding() + format.border()) * m_dpiY / 96.0;
    const int rows = table->rows();
    std::vector<qreal> tops(rows + 1);
    tops[0] = frameRect.top();
    tops[rows] = frameRect.bottom();
    for (int row = 1; row < rows; ++row) {
        qreal top = std::numeric_limits<qreal>::max();
        for (int column = 0; column < table->columns(); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            if (cell.row() != row)
                continue;
            const QTextBlock first = cell.firstCursorPosition().block();
            top = std::min(top, m_document->documentLayout()->blockBoundingRect(first).top());
        }
        tops[row] = top == std::numeric_limits<qreal>::max() ? tops[row - 1]
                                                             : std::max(tops[row - 1], top - inset);
    }
    for (int row = 0; row < rows; ++row) {
        const int start = row == 0 ? table->firstPosition() - 1
                                   : table->cellAt(row, 0).firstPosition() - 1;
        m_bands.push_back(Band{tops[row], std::max(tops[row], tops[row + 1]), start});
    }
}

bool RichTextBoxPageLayout::fits(const QPaintDevice* device, qreal width) const
{
    return device == m_device && device->logicalDpiX() == m_dpiX
        && device->logicalDpiY() == m_dpiY && qFuzzyCompare(width, m_width);
}

size_t RichTextBoxPageLayout::drawParagraphRest(QPainter& painter, size_t first, size_t end) const
{
    const QTextBlock block = m_document->findBlock(m_bands[first].start);
    const QTextLayout* layout = block.layout();
    // Where the layout's own coordinates start in the document's.
    const QPointF origin = m_document->documentLayout()->blockBoundingRect(block).topLeft()
        - layout->boundingRect().topLeft();
    const QBrush background = block.blockFormat().background();
    painter.setPen(Qt::black); // what the document's layout gives text without a colour
    size_t band = first;
    for (int i = m_bands[first].line; band < end && i < layout->lineCount() && m_bands[band].line == i; ++i, ++band) {
        const QTextLine line = layout->lineAt(i);
        if (background.style() != Qt::NoBrush)
            painter.fillRect(QRectF(0, m_bands[band].top, m_width, m_bands[band].bottom - m_bands[band].top), background);
        line.draw(&painter, origin);
    }
    return band;
}

int RichTextBoxPageLayout::render(QPainter& painter, const QRectF& area, int firstCharacter) const
{
    if (m_bands.empty() || firstCharacter >= m_length)
        return m_length;
    const auto after = std::upper_bound(m_bands.begin(), m_bands.end(), firstCharacter,
        [](int position, const Band& band) { return position < band.start; });
    const size_t first = after == m_bands.begin() ? 0 : size_t(after - m_bands.begin() - 1);

    const qreal top = m_bands[first].top;
    const qreal limit = top + area.height();
    size_t end = first + 1; // a band taller than the page still gets a page of its own
    while (end < m_bands.size() && !m_bands[end].startsPage && m_bands[end].bottom <= limit + 0.01)
        ++end;
    const qreal bottom = end < m_bands.size() ? std::min(m_bands[end].top, limit) : limit;

    painter.save();
    painter.translate(area.left(), area.top() - top);
    const QRectF shown(0, top, m_width, std::max<qreal>(1, bottom - top));
    painter.setClipRect(shown, Qt::IntersectClip);
    // The layout always draws the line just above its clip as well (hidden by the painter's
    // clip, but its words stay in a PDF and come out of it twice): a paragraph that began
    // on an earlier page has its remaining lines drawn one by one instead.
    const size_t rest = m_bands[first].line > 0 ? drawParagraphRest(painter, first, end) : first;
    if (rest < end) {
        const QRectF layoutArea(0, m_bands[rest].top, m_width, std::max<qreal>(1, bottom - m_bands[rest].top));
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout draws every line that touches its clip; shrinking it by half a pixel
        // keeps the neighbouring bands, which only touch the page's edges, off this page.
        context.clip = layoutArea.height() > 1 ? layoutArea.adjusted(0, 0.5, 0, -0.5) : layoutArea;
        context.palette.setColor(QPalette::Text, Qt::black);
        m_document->documentLayout()->draw(&painter, context);
    }
    painter.restore();

    return end < m_bands.size() ? m_bands[end].start : m_length;
}
