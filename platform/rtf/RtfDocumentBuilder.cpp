#include "RtfDocumentBuilder.h"

#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

namespace {

// Lengths come in twips; the document lays out in pixels at 96 dpi (15 twips a pixel).
// Anything wider than a large sheet of paper is a damaged value, not a layout.
constexpr int kTwipsPerPixel = 15;
constexpr int kMaxTwips = 31680; // 22 inches
constexpr int kTextColumnTwips = 9360; // 6.5 inches: a letter page less its usual margins

qreal pixels(int twips)
{
    return qBound(-kMaxTwips, twips, kMaxTwips) / qreal(kTwipsPerPixel);
}

} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument& document)
    : m_document(document)
{
    m_document.clear();
    m_cursor = QTextCursor(&m_document);
    // One edit block for the whole document: the document then settles its frames and
    // tells its layout once, instead of after every insertion (which grows with the
    // document and made reading tables quadratic).
    m_cursor.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder()
{
    m_cursor.endEditBlock();
}

QTextBlockFormat RtfDocumentBuilder::blockFormat(const RtfParagraphState& paragraph)
{
    QTextBlockFormat format;
    format.setAlignment(paragraph.alignment);
    format.setLeftMargin(qMax<qreal>(0, pixels(paragraph.leftIndent)));
    format.setRightMargin(qMax<qreal>(0, pixels(paragraph.rightIndent)));
    format.setTextIndent(pixels(paragraph.firstLineIndent));
    format.setTopMargin(qMax<qreal>(0, pixels(paragraph.spaceBefore)));
    format.setBottomMargin(qMax<qreal>(0, pixels(paragraph.spaceAfter)));
    if (paragraph.lineSpacing != 0) {
        if (paragraph.lineSpacingMultiple && paragraph.lineSpacing > 0) {
            const int percent = qBound(50, paragraph.lineSpacing * 100 / 240, 500);
            format.setLineHeight(percent, QTextBlockFormat::ProportionalHeight);
        } else if (paragraph.lineSpacing > 0) {
            format.setLineHeight(pixels(paragraph.lineSpacing), QTextBlockFormat::MinimumHeight);
        } else {
            const qreal height = qMax<qreal>(1, pixels(-qMax(paragraph.lineSpacing, -kMaxTwips)));
            format.setLineHeight(height, QTextBlockFormat::FixedHeight);
        }
    }
    return format;
}

void RtfDocumentBuilder::insertText(const QString& text, const QTextCharFormat& format,
    const RtfParagraphState& paragraph)
{
    placeCursor(paragraph);
    m_cursor.insertText(text, format);
}

void RtfDocumentBuilder::insertImage(const QTextImageFormat& format,
    const RtfParagraphState& paragraph)
{
    placeCursor(paragraph);
    m_cursor.insertImage(format);
}

void RtfDocumentBuilder::endParagraph(const RtfParagraphState& paragraph,
    const QTextCharFormat& markFormat, QTextListFormat::Style listStyle, Break kind)
{
    placeCursor(paragraph);
    formatBlock(paragraph, markFormat, listStyle);
    m_breakPending = true;
    m_breakFormat = blockFormat(paragraph);
    if (kind == Break::Page && !m_table)
        m_breakFormat.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    m_breakCharFormat = markFormat;
}

void RtfDocumentBuilder::endCell(const RtfParagraphState& paragraph,
    const QTextCharFormat& markFormat)
{
    if (!paragraph.inTable && !m_table) { // a stray \cell ends a paragraph
        endParagraph(paragraph, markFormat, QTextListFormat::ListDisc);
        return;
    }
    // \cell closes a cell even where a damaged file forgot \intbl inside a table.
    RtfParagraphState cellParagraph = paragraph;
    cellParagraph.inTable = true;
    placeCursor(cellParagraph);
    if (!m_table) { // no room for more cells: the cell becomes a paragraph
        endParagraph(paragraph, markFormat, QTextListFormat::ListDisc);
        return;
    }
    formatBlock(cellParagraph, markFormat, QTextListFormat::ListDisc);
    m_cellEnded = true;
}

bool RtfDocumentBuilder::endRow()
{
    if (!m_table)
        return false;
    m_rowEnded = true;
    m_cellEnded = false;
    return true;
}

void RtfDocumentBuilder::setRowDefinition(const std::vector<int>& cellBoundaries, bool bordered)
{
    m_cellBoundaries = cellBoundaries;
    m_bordered = bordered;
}

void RtfDocumentBuilder::finish(const RtfParagraphState& paragraph,
    const QTextCharFormat& markFormat, QTextListFormat::Style listStyle)
{
    if (m_breakPending || m_cellEnded || m_rowEnded) {
        // The last \par, \cell or \row already formatted the last paragraph; a \par
        // ends the text and opens no new paragraph.
        m_breakPending = false;
        return;
    }
    formatBlock(paragraph, markFormat, listStyle);
}

void RtfDocumentBuilder::placeCursor(const RtfParagraphState& paragraph)
{
    if (paragraph.inTable && (m_table || createTable())) {
        if (m_rowEnded) {
            if (!appendRow())
                leaveTable();
        } else if (m_cellEnded) {
            moveToNextCell();
        }
        flushBreak();
        return;
    }
    if (m_table)
        leaveTable();
    flushBreak();
}

void RtfDocumentBuilder::flushBreak()
{
    if (!m_breakPending)
        return;
    m_breakPending = false;
    m_cursor.insertBlock(m_breakFormat, m_breakCharFormat);
}

bool RtfDocumentBuilder::createTable()
{
    const int columns = qBound(1, int(m_cellBoundaries.size()), MaxColumns);
    if (m_cellsLeft < columns)
        return false;
    m_breakPending = false;
    resetLists();

    QTextTableFormat format;
    format.setCellSpacing(0);
    format.setCellPadding(3);
    format.setBorderCollapse(true);
    format.setBorder(m_bordered ? 1 : 0);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    // Cell edges are placed on the writer's page; a box is narrower than a page, so the
    // table keeps its share of a 6.5-inch text column instead of its width in twips.
    const int total = m_cellBoundaries.empty() ? 0 : qMin(m_cellBoundaries.back(), kMaxTwips);
    if (int(m_cellBoundaries.size()) == columns && total > 0) {
        QList<QTextLength> widths;
        int left = 0;
        for (const int right : m_cellBoundaries) {
            const int width = qBound(0, right, kMaxTwips) - left;
            widths.append(width > 0 ? QTextLength(QTextLength::PercentageLength, 100.0 * width / total)
                                    : QTextLength());
            left = qMax(left, qBound(0, right, kMaxTwips));
        }
        format.setColumnWidthConstraints(widths);
        format.setWidth(QTextLength(QTextLength::PercentageLength,
            qMin(100.0, 100.0 * total / kTextColumnTwips)));
    }

    m_table = m_cursor.insertTable(1, columns, format);
    m_cellsLeft -= columns;
    m_row = 0;
    m_column = 0;
    m_cellEnded = false;
    m_rowEnded = false;
    return true;
}

bool RtfDocumentBuilder::appendRow()
{
    m_breakPending = false;
    resetLists();
    if (m_cellsLeft < m_table->columns())
        return false;
    m_table->appendRows(1);
    m_cellsLeft -= m_table->columns();
    widenTable();
    m_row = m_table->rows() - 1;
    m_column = 0;
    m_cellEnded = false;
    m_rowEnded = false;
    m_cursor = m_table->cellAt(m_row, 0).firstCursorPosition();
    return true;
}

void RtfDocumentBuilder::widenTable()
{
    const int wanted = qMin(int(m_cellBoundaries.size()), MaxColumns);
    const int extra = wanted - m_table->columns();
    if (extra > 0 && m_cellsLeft >= extra * m_table->rows()) {
        m_table->appendColumns(extra);
        m_cellsLeft -= extra * m_table->rows();
    }
}

void RtfDocumentBuilder::moveToNextCell()
{
    m_breakPending = false;
    m_cellEnded = false;
    resetLists();
    if (m_column + 1 >= m_table->columns()) {
        // A row with more cells than it defined widens the table while there is room.
        if (m_table->columns() >= MaxColumns || m_cellsLeft < m_table->rows()) {
            m_cursor.insertBlock();
            return;
        }
        m_table->appendColumns(1);
        m_cellsLeft -= m_table->rows();
    }
    ++m_column;
    m_cursor = m_table->cellAt(m_row, m_column).firstCursorPosition();
}

void RtfDocumentBuilder::leaveTable()
{
    m_breakPending = false;
    resetLists();
    // A table always has a paragraph after it; the text goes on there.
    m_cursor.setPosition(m_table->lastPosition() + 1);
    m_table = nullptr;
    m_cellEnded = false;
    m_rowEnded = false;
}

void RtfDocumentBuilder::formatBlock(const RtfParagraphState& paragraph,
    const QTextCharFormat& markFormat, QTextListFormat::Style listStyle)
{
    QTextBlockFormat format = blockFormat(paragraph);
    if (m_cursor.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    const bool listItem = paragraph.list != 0;
    if (listItem) {
        // The list's own indentation replaces the paragraph's hanging indent.
        format.setLeftMargin(0);
        format.setTextIndent(0);
    }
    m_cursor.setBlockFormat(format);
    m_cursor.setBlockCharFormat(markFormat);

    if (!listItem) {
        resetLists();
        return;
    }
    if (paragraph.list != m_listId)
        resetLists();
    m_listId = paragraph.list;
    const int level = qBound(0, paragraph.listLevel, MaxListLevels - 1);
    for (int deeper = level + 1; deeper < MaxListLevels; ++deeper)
        m_lists[deeper] = nullptr;
    if (QTextList* list = m_lists[level]) {
        list->add(m_cursor.block());
    } else {
        QTextListFormat listFormat;
        listFormat.setStyle(listStyle);
        listFormat.setIndent(level + 1);
        m_lists[level] = m_cursor.createList(listFormat);
    }
}

void RtfDocumentBuilder::resetLists()
{
    m_listId = 0;
    m_lists.fill(QPointer<QTextList>());
}
