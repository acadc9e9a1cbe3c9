#pragma once

#include "RtfFormatState.h"

#include <QPointer>
#include <QTextCursor>
#include <QTextList>
#include <QTextListFormat>

#include <array>
#include <vector>

class QTextDocument;
class QTextTable;

/// Writes what the RTF reader recognises into a QTextDocument: runs of text, pictures,
/// paragraph ends with their formats, list membership, and table cells and rows.
/// It owns the document's structure (which cell or list the text goes into), the reader
/// owns the meaning of the RTF.
class RtfDocumentBuilder {
public:
    enum class Break { Paragraph, Page };

    /// Tables stop growing beyond these sizes; further cells become paragraphs.
    static constexpr int MaxColumns = 64;
    static constexpr int MaxTableCells = 20000;
    static constexpr int MaxListLevels = 9;

    /// Starts writing at the beginning of document, which is cleared.
    explicit RtfDocumentBuilder(QTextDocument& document);
    /// Lets the document settle its structure and notify its views.
    ~RtfDocumentBuilder();
    RtfDocumentBuilder(const RtfDocumentBuilder&) = delete;
    RtfDocumentBuilder& operator=(const RtfDocumentBuilder&) = delete;

    /// Appends text in format to the paragraph that paragraph describes.
    void insertText(const QString& text, const QTextCharFormat& format,
        const RtfParagraphState& paragraph);

    /// Appends an inline picture (already stored as a resource of the document).
    void insertImage(const QTextImageFormat& format, const RtfParagraphState& paragraph);

    /// Ends the current paragraph; Break::Page makes the next one start a new page.
    /// listStyle is the style of the list the paragraph belongs to, if it belongs to one.
    void endParagraph(const RtfParagraphState& paragraph, const QTextCharFormat& markFormat,
        QTextListFormat::Style listStyle, Break kind = Break::Paragraph);

    /// Ends the current table cell (\cell).
    void endCell(const RtfParagraphState& paragraph, const QTextCharFormat& markFormat);

    /// Ends the current table row (\row); false when no table is open.
    bool endRow();

    /// The row being defined (\trowd ... \cellx): cell right edges in twips, which size the
    /// table when it is created and widen it when a later row has more cells, and whether
    /// its cells have borders.
    void setRowDefinition(const std::vector<int>& cellBoundaries, bool bordered);

    /// Formats the last paragraph and drops the empty paragraph a final \par leaves.
    void finish(const RtfParagraphState& paragraph, const QTextCharFormat& markFormat,
        QTextListFormat::Style listStyle);

private:
    void placeCursor(const RtfParagraphState& paragraph);
    void flushBreak();
    bool createTable();
    bool appendRow();
    void leaveTable();
    void moveToNextCell();
    void widenTable();
    void formatBlock(const RtfParagraphState& paragraph, const QTextCharFormat& markFormat,
        QTextListFormat::Style listStyle);
    void resetLists();
    static QTextBlockFormat blockFormat(const RtfParagraphState& paragraph);

    QTextDocument& m_document;
    QTextCursor m_cursor;

    QTextTable* m_table = nullptr;
    int m_row = 0;
    int m_column = 0;
    bool m_cellEnded = false; ///< \cell seen; the next content goes to the next cell
    bool m_rowEnded = false; ///< \row seen; the next table content starts a new row
    int m_cellsLeft = MaxTableCells;
    std::vector<int> m_cellBoundaries;
    bool m_bordered = false;

    // A paragraph break is held back until more content follows in the same place, so that
    // the \par closing a document or a cell leaves no empty paragraph behind.
    bool m_breakPending = false;
    QTextBlockFormat m_breakFormat;
    QTextCharFormat m_breakCharFormat;

    int m_listId = 0; ///< list of the previous paragraph, 0 when it was no list item
    // A list whose last paragraph leaves it is deleted by the document; the pointers
    // notice that.
    std::array<QPointer<QTextList>, MaxListLevels> m_lists {};
};
