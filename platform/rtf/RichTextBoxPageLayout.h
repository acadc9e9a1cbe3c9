#pragma once

#include <QRectF>

#include <memory>
#include <vector>

class QPaintDevice;
class QPainter;
class QTextDocument;
class QTextFrame;

/// A copy of a document laid out for one paint device and column width, cut into bands
/// that a page may not split: the lines of ordinary paragraphs and the rows of tables.
/// Pages are filled with whole bands, so each character is printed once.
class RichTextBoxPageLayout {
public:
    /// Lays out a copy of source for device at width (device pixels).
    RichTextBoxPageLayout(const QTextDocument& source, QPaintDevice* device, qreal width);
    ~RichTextBoxPageLayout();

    /// Whether this layout was made for device at width.
    bool fits(const QPaintDevice* device, qreal width) const;

    /// Draws the bands from the one holding firstCharacter for as long as they fit in
    /// area's height, with the band's top at area's top. Returns the first character of
    /// the first band not drawn, or the text length when none is left.
    int render(QPainter& painter, const QRectF& area, int firstCharacter) const;

private:
    struct Band {
        qreal top = 0;
        qreal bottom = 0;
        int start = 0; ///< first document position of the band
        bool startsPage = false; ///< its paragraph asks for a new page
        int line = -1; ///< its line within an ordinary paragraph; -1 for a table row or frame
    };

    /// Draws the lines of the paragraph holding bands[first] from that band on, while they
    /// are before bands[end]; returns the first band it did not draw.
    size_t drawParagraphRest(QPainter& painter, size_t first, size_t end) const;

    void addFrameBands(QTextFrame* frame);

    std::unique_ptr<QTextDocument> m_document;
    const QPaintDevice* m_device = nullptr;
    int m_dpiX = 0;
    int m_dpiY = 0;
    qreal m_width = 0;
    int m_length = 0;
    std::vector<Band> m_bands;
};
