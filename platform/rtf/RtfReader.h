#pragma once

#include "RtfCodePage.h"
#include "RtfFormatState.h"

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QTextCharFormat>

#include <map>
#include <memory>
#include <vector>

class QTextDocument;
class RtfDocumentBuilder;
struct RtfToken;
class RtfTokenizer;

/// Reads RTF 1.x into a QTextDocument: text in its code pages and \u form, character and
/// paragraph formatting, lists, simple tables, hyperlink and other field results, PNG and
/// JPEG pictures, the characters of the Symbol, Wingdings and Zapf Dingbats fonts (in runs
/// and in SYMBOL fields), today's date and time, and footnotes and endnotes, which follow
/// the text as a word processor prints them at the end. Anything damaged is read as far as it makes sense; group depth, names,
/// numbers, tables and pictures are bounded, so no input can crash, hang or exhaust it.
class RtfReader {
public:
    /// Groups nested deeper than this are read as if they were skipped destinations. Mail
    /// programs wrapping HTML in RTF nest a few thousand deep, so the bound is generous.
    static constexpr int MaxGroupDepth = 4096;
    static constexpr int MaxFonts = 1024;
    static constexpr int MaxColors = 1024;
    static constexpr int MaxPictureBytes = 32 * 1024 * 1024;
    /// Pictures beyond this many pixels in one document are left out.
    static constexpr qint64 MaxPicturePixels = 64 * 1024 * 1024;
    /// Notes beyond this many in one document are left out.
    static constexpr int MaxNotes = 10000;

    /// How notes are numbered (\ftnn..., \aftnn...).
    enum class NoteNumbering { Arabic, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman, Symbols };

    RtfReader();
    ~RtfReader();
    RtfReader(const RtfReader&) = delete;
    RtfReader& operator=(const RtfReader&) = delete;

    /// Whether data starts like an RTF document ("{\rtf", after white space or a BOM).
    static bool hasRtfHeader(QByteArrayView data);

    /// Replaces the content of document with the RTF in data. Returns false, with
    /// errorString() set and the document left empty, only when data has no RTF header;
    /// any other damage yields whatever could be recovered.
    bool read(QByteArrayView data, QTextDocument& document);

    /// Reads the RTF file fileName into document; false when it cannot be read or has no
    /// RTF header (errorString() says which).
    bool readFile(const QString& fileName, QTextDocument& document);

    /// Why the last read failed.
    QString errorString() const { return m_errorString; }

private:
    enum class Destination {
        Text, ///< document text
        Skip, ///< ignored, with everything inside
        FontTable,
        ColorTable,
        Picture,
        FieldInstruction,
        ListText, ///< the number or bullet Word writes before a list paragraph
        OldListProperties, ///< \*\pn: list properties of old-style lists
        UnicodePair, ///< \upr: only its \*\ud group (the Unicode version) is read
        Note, ///< a footnote or endnote, read at the end of the document
    };

    struct GroupState {
        Destination destination = Destination::Text;
        Destination resumed = Destination::Text; ///< where \ud inside \upr goes back to
        bool ownsDestination = false; ///< this group opened its destination
        bool starred = false; ///< \* seen: an unknown destination next is skipped
        bool ownsField = false; ///< this group is a \field
        int unicodeSkip = 1; ///< \uc
        RtfCharacterState character;
        RtfParagraphState paragraph;
    };

    struct Note {
        qsizetype begin = 0; ///< the note's content in the input, after \footnote
        qsizetype end = 0;
        GroupState context; ///< the state its group was opened in
        QString mark; ///< its automatic number, empty when the document writes its own mark
        bool endnote = false;
    };

    struct Font {
        QString name;
        int codePage = 0; ///< 0: the document's code page
    };

    struct FontEntry {
        int number = -1;
        int charset = 0;
        int codePage = 0;
        QByteArray name;
        bool started = false;
    };

    struct Picture {
        enum class Format { Unknown, Png, Jpeg };
        Format format = Format::Unknown;
        QByteArray data;
        int pendingNibble = -1;
        bool overflow = false;
        int goalWidth = 0; ///< twips
        int goalHeight = 0;
        int scaleX = 100; ///< percent
        int scaleY = 100;
    };

    void reset(QTextDocument& document);
    void handleToken(const RtfToken& token);
    void openGroup();
    void closeGroup();
    void handleControlWord(const RtfToken& token);
    void handleControlSymbol(char symbol);
    void handleText(QByteArrayView bytes);
    void handleByte(unsigned char byte);
    void handleBinary(QByteArrayView bytes);
    void setDestination(Destination destination);

    void appendBytes(QByteArrayView bytes);
    void decodePendingBytes();
    void appendCharacter(char16_t unicode);
    void appendCodePoint(char32_t unicode);
    void flushText();
    void deliverText(const QString& text);

    void endParagraph(bool pageBreak);
    void commitFontEntry();
    void commitColor();
    void appendPictureHex(QByteArrayView bytes);
    void insertPicture(const RtfParagraphState& paragraph);
    void startFieldResult();
    void endFieldInstruction();
    void insertFieldSymbol();
    void appendString(const QString& text);
    bool takesCharacters() const;

    void noteMark();
    void flushNoteMark();
    void finishNote();
    void appendNotes();
    void replayNote(const Note& note);

    int currentCodePage() const;
    QTextCharFormat characterFormat();
    QTextListFormat::Style listStyle() const;

    GroupState& state() { return m_stack.back(); }
    const GroupState& state() const { return m_stack.back(); }

    QString m_errorString;
    QTextDocument* m_document = nullptr;
    std::unique_ptr<RtfDocumentBuilder> m_builder;
    RtfCodePage m_codePages;

    std::vector<GroupState> m_stack;
    int m_overflowDepth = 0; ///< groups opened beyond MaxGroupDepth
    bool m_finished = false; ///< the outermost group has closed
    int m_skipCharacters = 0; ///< fallback characters still to drop after \u

    int m_documentCodePage = RtfCodePage::WindowsLatin1;
    int m_defaultFont = 0;
    std::map<int, Font> m_fonts;
    FontEntry m_fontEntry;
    std::vector<QColor> m_colors;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;

    QByteArray m_pendingBytes;
    int m_pendingCodePage = 0;
    QString m_pendingText;

    Picture m_picture;
    int m_pictureCount = 0;
    qint64 m_pixelsLeft = MaxPicturePixels;
    QString m_fieldInstruction;
    QString m_fieldSymbol; ///< what the SYMBOL field being read shows, until it is shown
    qreal m_fieldSymbolPoints = 0;
    QString m_listText;
    std::vector<int> m_cellBoundaries;

    // Notes are kept as the stretch of the input that holds them and read again, in the
    // format around them, once the text is done.
    QByteArrayView m_input;
    const RtfTokenizer* m_tokenizer = nullptr;
    std::vector<Note> m_notes;
    qsizetype m_noteStart = 0;
    bool m_noteIsEndnote = false;
    GroupState m_noteContext;
    bool m_markPending = false; ///< \chftn read; its number waits to see which kind of note follows
    QTextCharFormat m_markFormat;
    QString m_unclaimedMark; ///< a mark shown before its note came
    int m_footnoteCount = 0;
    int m_endnoteCount = 0;
    int m_footnoteStart = 1;
    int m_endnoteStart = 1;
    NoteNumbering m_footnoteNumbering = NoteNumbering::Arabic;
    NoteNumbering m_endnoteNumbering = NoteNumbering::LowerRoman;
    size_t m_replayFloor = 0; ///< while a note is read again: the depth its text starts at
    QString m_replayMark;
    bool m_rowBordered = false;

    // Documents switch between a handful of formats; building a QTextCharFormat anew at
    // every switch costs more than the rest of the reading.
    struct CachedFormat {
        RtfCharacterState state;
        QTextCharFormat format;
    };
    static constexpr size_t FormatCacheSize = 16;
    std::vector<CachedFormat> m_formatCache;
    size_t m_nextCacheSlot = 0;
};
