#pragma once

#include <QColor>
#include <QMarginsF>
#include <QTextEdit>

#include <memory>
#include <vector>

class QPainter;
class RichTextBoxPageLayout;

/// The rich-text box of the card screens: a read-only text view that wraps inside its
/// width, loads RTF or plain text files, and offers what the screens ask of it: plain text,
/// selection and its font, a text colour, line count and first visible line in its own
/// wrapped lines, scrolling by lines, and page-by-page rendering for printing.
class RichTextBox : public QTextEdit {
    Q_OBJECT

public:
    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    /// Loads fileName: RTF when it starts with "{\rtf", otherwise plain text (UTF-8 when
    /// it is valid UTF-8, else Windows-1252). Returns false, leaving the box empty and
    /// errorString() set, when the file cannot be read.
    bool loadFile(const QString& fileName);

    /// Why the last loadFile() failed.
    QString errorString() const { return m_errorString; }

    /// The whole text without formatting, paragraphs separated by '\n'.
    QString text() const;

    /// Replaces the content with plain text in the box's font and text colour, whatever
    /// the text before it looked like.
    void setText(const QString& text);

    /// Number of characters of text(); the page renderer's positions run up to it.
    int textLength() const;

    /// Start of the selection (the caret when nothing is selected). Setting it places the
    /// caret there and selects nothing.
    int selectionStart() const;
    void setSelectionStart(int start);

    /// Length of the selection. Setting it selects that many characters from
    /// selectionStart(), cut at the end of the text.
    int selectionLength() const;
    void setSelectionLength(int length);

    /// Font family of the selection; empty when the selection mixes families.
    QString selectionFontName() const;
    /// Gives the selection (or, with nothing selected, the text typed next) a font family.
    void setSelectionFontName(const QString& family);

    /// Font size in points of the selection; 0 when the selection mixes sizes.
    qreal selectionFontSize() const;
    /// Gives the selection (or, with nothing selected, the text typed next) a size in points.
    void setSelectionFontSize(qreal points);

    /// Colour of the text now in the box and of text set later with setText();
    /// invalid (the palette's text colour) until set.
    QColor foregroundColor() const { return m_foregroundColor; }
    void setForegroundColor(const QColor& color);

    /// Colour behind the text.
    QColor backgroundColor() const;
    void setBackgroundColor(const QColor& color);

    /// Number of lines of the text as the box wraps it at its current width (at least 1).
    int lineCount() const;

    /// Index of the topmost line shown, counted as lineCount() counts.
    int firstVisibleLine() const;

    /// Scrolls by lines (positive: towards the end). Returns whether the text moved; it
    /// does not at either end of the text.
    bool scrollLines(int lines);

    /// Renders text onto painter's device, starting at character firstCharacter, inside
    /// page shrunk by margins given in twips (1/1440 inch, converted with the device's
    /// resolution). Returns the first character not rendered, textLength() when the rest
    /// fitted or when the area left inside the margins is empty. Every character lands on
    /// exactly one page when each call starts where the previous one stopped.
    int renderPage(QPainter& painter, const QRectF& page, const QMarginsF& marginsTwips,
        int firstCharacter);

    /// Frees the layout renderPage() keeps between pages of one print job.
    void releasePageLayout();

private:
    std::vector<qreal> lineTops() const;
    void applyForegroundColor();

    QString m_errorString;
    QColor m_foregroundColor;
    std::unique_ptr<RichTextBoxPageLayout> m_pageLayout;
};
