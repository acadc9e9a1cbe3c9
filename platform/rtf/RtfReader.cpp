#include "RtfReader.h"

#include "Cp1252.h"
#include "RtfDocumentBuilder.h"
#include "RtfSymbolFont.h"
#include "RtfTokenizer.h"

#include <QBuffer>
#include <QFile>
#include <QDate>
#include <QImageReader>
#include <QLocale>
#include <QRegularExpression>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <tuple>
#include <utility>
#include <string_view>
#include <unordered_map>

namespace {

using NoteNumbering = RtfReader::NoteNumbering;

enum class Keyword {
    // destinations
    FontTable,
    ColorTable,
    Picture,
    Field,
    FieldInstruction,
    FieldResult,
    ListText,
    OldListProperties,
    SkippedDestination,
    Container, ///< a destination whose content is ordinary text (\*\shppict, \result)
    UnicodePair,
    UnicodeVersion,
    // document
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontCharset,
    FontCodePage,
    Red,
    Green,
    Blue,
    // pictures
    PngBlip,
    JpegBlip,
    PictureGoalWidth,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY,
    // Unicode
    Unicode,
    UnicodeSkip,
    // characters
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Font,
    FontSize,
    Foreground,
    Background,
    Super,
    Sub,
    NoSuperSub,
    Hidden,
    Caps,
    SmallCaps,
    Character, ///< a named character (\emdash, \rquote, ...)
    ShortDate, ///< today's date and time, as the reader's locale writes them
    LongDate,
    AbbreviatedDate,
    Time,
    // notes
    Footnote,
    Endnote, ///< \ftnalt: the note is an endnote
    NoteMark, ///< \chftn: the note's automatic number
    FootnoteNumbering, ///< the form of footnote numbers (parameter: a NoteNumbering)
    EndnoteNumbering,
    FootnoteStart,
    EndnoteStart,
    Raise, ///< \up: raised text, shown as superscript
    Lower, ///< \dn
    Tab,
    Line,
    // paragraphs
    Par,
    Pard,
    Page,
    Sect,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstLineIndent,
    SpaceBefore,
    SpaceAfter,
    LineSpacing,
    LineSpacingMultiple,
    InTable,
    TableLevel,
    ListNumber,
    ListLevel,
    // old-style lists
    OldListBullet,
    OldListBody,
    OldListLevel,
    OldListDecimal,
    OldListLowerAlpha,
    OldListUpperAlpha,
    OldListLowerRoman,
    OldListUpperRoman,
    // tables
    Cell,
    Row,
    NestedCell,
    NestedRow,
    RowDefaults,
    CellRightEdge,
    CellBorder,
};

struct KeywordEntry {
    Keyword keyword;
    char16_t character = 0; ///< Keyword::Character
};

using KeywordTable = std::unordered_map<std::string_view, KeywordEntry>;

const KeywordTable& keywords()
{
    static const KeywordTable table = [] {
        KeywordTable t {
            {"fonttbl", {Keyword::FontTable}},
            {"colortbl", {Keyword::ColorTable}},
            {"pict", {Keyword::Picture}},
            {"field", {Keyword::Field}},
            {"fldinst", {Keyword::FieldInstruction}},
            {"fldrslt", {Keyword::FieldResult}},
            {"listtext", {Keyword::ListText}},
            {"pntext", {Keyword::ListText}},
            {"pn", {Keyword::OldListProperties}},
            {"shppict", {Keyword::Container}},
            {"upr", {Keyword::UnicodePair}},
            {"ud", {Keyword::UnicodeVersion}},
            {"result", {Keyword::Container}},
            // Some writers put the cells of inner tables inside their property group.
            {"nesttableprops", {Keyword::Container}},
            {"ansi", {Keyword::Ansi}},
            {"mac", {Keyword::Mac}},
            {"pc", {Keyword::Pc}},
            {"pca", {Keyword::Pca}},
            {"ansicpg", {Keyword::AnsiCodePage}},
            {"deff", {Keyword::DefaultFont}},
            {"fcharset", {Keyword::FontCharset}},
            {"cpg", {Keyword::FontCodePage}},
            {"red", {Keyword::Red}},
            {"green", {Keyword::Green}},
            {"blue", {Keyword::Blue}},
            {"pngblip", {Keyword::PngBlip}},
            {"jpegblip", {Keyword::JpegBlip}},
            {"picwgoal", {Keyword::PictureGoalWidth}},
            {"pichgoal", {Keyword::PictureGoalHeight}},
            {"picscalex", {Keyword::PictureScaleX}},
            {"picscaley", {Keyword::PictureScaleY}},
            {"u", {Keyword::Unicode}},
            {"uc", {Keyword::UnicodeSkip}},
            {"plain", {Keyword::Plain}},
            {"b", {Keyword::Bold}},
            {"i", {Keyword::Italic}},
            {"ul", {Keyword::Underline}},
            {"ulnone", {Keyword::UnderlineNone}},
            {"strike", {Keyword::Strike}},
            {"striked", {Keyword::Strike}},
            {"f", {Keyword::Font}},
            {"fs", {Keyword::FontSize}},
            {"cf", {Keyword::Foreground}},
            {"cb", {Keyword::Background}},
            {"highlight", {Keyword::Background}},
            {"chcbpat", {Keyword::Background}},
            {"super", {Keyword::Super}},
            {"up", {Keyword::Raise}},
            {"dn", {Keyword::Lower}},
            {"chdate", {Keyword::ShortDate}},
            {"chdpl", {Keyword::LongDate}},
            {"chdpa", {Keyword::AbbreviatedDate}},
            {"chtime", {Keyword::Time}},
            {"footnote", {Keyword::Footnote}},
            {"ftnalt", {Keyword::Endnote}},
            {"chftn", {Keyword::NoteMark}},
            {"ftnstart", {Keyword::FootnoteStart}},
            {"aftnstart", {Keyword::EndnoteStart}},
            {"sub", {Keyword::Sub}},
            {"nosupersub", {Keyword::NoSuperSub}},
            {"v", {Keyword::Hidden}},
            {"caps", {Keyword::Caps}},
            {"scaps", {Keyword::SmallCaps}},
            {"tab", {Keyword::Tab}},
            {"line", {Keyword::Line}},
            {"par", {Keyword::Par}},
            {"pard", {Keyword::Pard}},
            {"page", {Keyword::Page}},
            {"sect", {Keyword::Sect}},
            {"ql", {Keyword::AlignLeft}},
            {"qc", {Keyword::AlignCenter}},
            {"qr", {Keyword::AlignRight}},
            {"qj", {Keyword::AlignJustify}},
            {"qd", {Keyword::AlignJustify}},
            {"li", {Keyword::LeftIndent}},
            {"lin", {Keyword::LeftIndent}},
            {"ri", {Keyword::RightIndent}},
            {"rin", {Keyword::RightIndent}},
            {"fi", {Keyword::FirstLineIndent}},
            {"sb", {Keyword::SpaceBefore}},
            {"sa", {Keyword::SpaceAfter}},
            {"sl", {Keyword::LineSpacing}},
            {"slmult", {Keyword::LineSpacingMultiple}},
            {"intbl", {Keyword::InTable}},
            {"itap", {Keyword::TableLevel}},
            {"ls", {Keyword::ListNumber}},
            {"ilvl", {Keyword::ListLevel}},
            {"pnlvlblt", {Keyword::OldListBullet}},
            {"pnlvlbody", {Keyword::OldListBody}},
            {"pnlvl", {Keyword::OldListLevel}},
            {"pndec", {Keyword::OldListDecimal}},
            {"pnlcltr", {Keyword::OldListLowerAlpha}},
            {"pnucltr", {Keyword::OldListUpperAlpha}},
            {"pnlcrm", {Keyword::OldListLowerRoman}},
            {"pnucrm", {Keyword::OldListUpperRoman}},
            {"cell", {Keyword::Cell}},
            {"row", {Keyword::Row}},
            {"nestcell", {Keyword::NestedCell}},
            {"nestrow", {Keyword::NestedRow}},
            {"trowd", {Keyword::RowDefaults}},
            {"cellx", {Keyword::CellRightEdge}},
            {"emdash", {Keyword::Character, u'\u2014'}},
            {"endash", {Keyword::Character, u'\u2013'}},
            {"bullet", {Keyword::Character, u'\u2022'}},
            {"lquote", {Keyword::Character, u'\u2018'}},
            {"rquote", {Keyword::Character, u'\u2019'}},
            {"ldblquote", {Keyword::Character, u'\u201C'}},
            {"rdblquote", {Keyword::Character, u'\u201D'}},
            {"emspace", {Keyword::Character, u'\u2003'}},
            {"enspace", {Keyword::Character, u'\u2002'}},
            {"qmspace", {Keyword::Character, u'\u2005'}},
            {"zwj", {Keyword::Character, u'\u200D'}},
            {"zwnj", {Keyword::Character, u'\u200C'}},
            {"zwbo", {Keyword::Character, u'\u200B'}},
            {"zwnbo", {Keyword::Character, u'\u2060'}},
            {"ltrmark", {Keyword::Character, u'\u200E'}},
            {"rtlmark", {Keyword::Character, u'\u200F'}},
        };
        // Destinations that carry nothing a reader of the text sees; they are not always
        // marked with \*, so they are named here.
        for (const char* name : {"stylesheet", "info", "header", "headerl", "headerr", "headerf",
                 "footer", "footerl", "footerr", "footerf", "annotation",
                 "nonshppict", "objdata", "objclass", "listtable", "listoverridetable", "revtbl",
                 "rsidtbl", "generator", "xmlnstbl", "themedata", "colorschememapping",
                 "latentstyles", "datastore", "pgdsctbl", "filetbl", "comment", "txe", "xe", "tc",
                 "rxe", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "private",
                 "bkmkstart", "bkmkend", "pnseclvl", "pntxta", "pntxtb", "shpinst", "atnid",
                 "atnauthor", "atrfstart", "atrfend", "atndate", "docvar", "userprops", "fchars",
                 "lchars", "template", "passwordhash", "wgrffmtfilter", "picprop", "blipuid",
                 "listpicture", "formfield", "datafield", "mmathPr", "do",
                 "title", "subject", "author", "operator", "keywords", "doccomm", "buptim",
                 "creatim", "printim", "revtim"}) {
            t.emplace(name, KeywordEntry{Keyword::SkippedDestination});
        }
        // Note numbering: the form each word asks for travels in the entry's character.
        const std::pair<const char*, NoteNumbering> numberings[] = {
            {"ftnnar", NoteNumbering::Arabic}, {"aftnnar", NoteNumbering::Arabic},
            {"ftnnalc", NoteNumbering::LowerAlpha}, {"aftnnalc", NoteNumbering::LowerAlpha},
            {"ftnnauc", NoteNumbering::UpperAlpha}, {"aftnnauc", NoteNumbering::UpperAlpha},
            {"ftnnrlc", NoteNumbering::LowerRoman}, {"aftnnrlc", NoteNumbering::LowerRoman},
            {"ftnnruc", NoteNumbering::UpperRoman}, {"aftnnruc", NoteNumbering::UpperRoman},
            {"ftnnchi", NoteNumbering::Symbols}, {"aftnnchi", NoteNumbering::Symbols}};
        for (const auto& [name, numbering] : numberings) {
            const Keyword keyword = name[0] == 'a' ? Keyword::EndnoteNumbering : Keyword::FootnoteNumbering;
            t.emplace(name, KeywordEntry{keyword, char16_t(numbering)});
        }
        for (const char* name : {"clbrdrt", "clbrdrb", "clbrdrl", "clbrdrr", "trbrdrt",
                 "trbrdrb", "trbrdrl", "trbrdrr", "trbrdrh", "trbrdrv"}) {
            t.emplace(name, KeywordEntry{Keyword::CellBorder});
        }
        return t;
    }();
    return table;
}

bool isDestination(Keyword keyword)
{
    switch (keyword) {
    case Keyword::FontTable:
    case Keyword::ColorTable:
    case Keyword::Picture:
    case Keyword::FieldInstruction:
    case Keyword::FieldResult:
    case Keyword::ListText:
    case Keyword::OldListProperties:
    case Keyword::SkippedDestination:
    case Keyword::Container:
    case Keyword::UnicodePair:
    case Keyword::UnicodeVersion:
    case Keyword::Footnote:
        return true;
    default:
        return false;
    }
}

// Characters that would disturb the document's own structure (frame and object markers,
// paragraph separators) or that no text shows (control codes, halves of surrogate pairs)
// are replaced before text reaches the document.
bool needsSanitizing(char16_t c)
{
    return (c < 0x20 && c != u'\t') || QChar::isSurrogate(c) || c == 0xFDD0 || c == 0xFDD1
        || c == 0xFFFC || c == 0xFFFE || c == 0xFFFF || c == QChar::ParagraphSeparator;
}

QString sanitized(const QString& text)
{
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return needsSanitizing(c.unicode()); }))
        return text;
    QString result;
    result.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20) {
            if (c == u'\t')
                result += QChar(c);
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
                result += QChar(c);
                result += text[++i];
            } else {
                result += QChar::ReplacementCharacter;
            }
        } else if (QChar::isLowSurrogate(c) || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC
            || c == 0xFFFE || c == 0xFFFF) {
            result += QChar::ReplacementCharacter;
        } else if (c == QChar::ParagraphSeparator) {
            result += QChar(QChar::LineSeparator);
        } else {
            result += QChar(c);
        }
    }
    return result;
}

constexpr int kMaxFontNameBytes = 256;
constexpr int kMaxFieldInstruction = 4096;
constexpr int kMaxListText = 64;
constexpr int kMaxUnicodeSkip = 255;
constexpr int kMaxPictureSide = 4096; // pixels on screen
constexpr int kTwipsPerPixel = 15;
constexpr int kSymbolCharset = 2;

// Note numbers in the form the document asks for; n counts from 1.
QString noteNumber(int n, NoteNumbering numbering)
{
    n = qBound(1, n, 100000);
    switch (numbering) {
    case NoteNumbering::Arabic: break;
    case NoteNumbering::LowerAlpha:
    case NoteNumbering::UpperAlpha: {
        // a..z, then aa..zz, as word processors count on
        const QChar letter(char16_t((numbering == NoteNumbering::LowerAlpha ? u'a' : u'A') + (n - 1) % 26));
        return QString((n - 1) / 26 + 1, letter).left(16);
    }
    case NoteNumbering::LowerRoman:
    case NoteNumbering::UpperRoman: {
        static const std::pair<int, const char*> numerals[] = {{1000, "m"}, {900, "cm"}, {500, "d"},
            {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"}, {40, "xl"}, {10, "x"}, {9, "ix"},
            {5, "v"}, {4, "iv"}, {1, "i"}};
        QString roman;
        int left = qMin(n, 3999);
        for (const auto& [value, numeral] : numerals) {
            for (; left >= value; left -= value)
                roman += QLatin1String(numeral);
        }
        return numbering == NoteNumbering::UpperRoman ? roman.toUpper() : roman;
    }
    case NoteNumbering::Symbols: {
        static const char16_t signs[] = {u'*', u'\u2020', u'\u2021', u'\u00A7'};
        return QString(qMin((n - 1) / 4 + 1, 16), QChar(signs[(n - 1) % 4]));
    }
    }
    return QString::number(n);
}

// Today's date or the time now, as the reader's own locale writes it.
QString todayText(Keyword keyword)
{
    const QLocale locale;
    switch (keyword) {
    case Keyword::LongDate: return locale.toString(QDate::currentDate(), QLocale::LongFormat);
    case Keyword::AbbreviatedDate: {
        // The long form with the short names of the day and the month.
        QString format = locale.dateFormat(QLocale::LongFormat);
        format.replace(QStringLiteral("dddd"), QStringLiteral("ddd")).replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
        return locale.toString(QDate::currentDate(), format);
    }
    case Keyword::Time: return locale.toString(QTime::currentTime(), QLocale::ShortFormat);
    default: return locale.toString(QDate::currentDate(), QLocale::ShortFormat);
    }
}

// A SYMBOL field ("SYMBOL 74 \f "Wingdings" \s 12"): the character it shows and its size
// in points (0 when the field gives none). Empty when the instruction is another field.
std::pair<QString, qreal> symbolField(const QString& instruction)
{
    static const QRegularExpression field(
        QStringLiteral(R"(^\s*SYMBOL\s+(0[xX][0-9A-Fa-f]+|\d+)(.*)$)"), QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = field.match(instruction);
    if (!match.hasMatch())
        return {};
    bool ok = false;
    const QString number = match.captured(1);
    const uint code = number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? number.mid(2).toUInt(&ok, 16) : number.toUInt(&ok);
    if (!ok || code == 0 || code > 0xFFFF)
        return {};
    const QString switches = match.captured(2);
    // A \f written unescaped was read as a font word; its quoted name is still there.
    static const QRegularExpression fontName(QStringLiteral(R"re((?:\\f\s*)?"([^"]*)"|\\f\s*([^\s\\"]+))re"));
    static const QRegularExpression size(QStringLiteral(R"(\\s\s*(\d+(?:\.\d+)?))"));
    static const QRegularExpression unicode(QStringLiteral(R"(\\u(?![A-Za-z]))"));
    const QRegularExpressionMatch font = fontName.match(switches);
    const QString fontFamily = font.hasMatch() ? font.captured(font.lastCapturedIndex()) : QStringLiteral("Symbol");
    const QRegularExpressionMatch points = size.match(switches);
    const qreal pointSize = points.hasMatch() ? qBound(1.0, points.captured(1).toDouble(), 1638.0) : 0.0;

    char32_t shown = code;
    const RtfSymbolFont::Font symbols = RtfSymbolFont::byName(fontFamily);
    if (unicode.match(switches).hasMatch()) {
        shown = RtfSymbolFont::fromPrivateUse(symbols, code);
    } else if (symbols != RtfSymbolFont::Font::None) {
        shown = RtfSymbolFont::fromPrivateUse(symbols, code);
        if (shown <= 0xFF)
            shown = RtfSymbolFont::toUnicode(symbols, static_cast<unsigned char>(shown));
        if (shown == 0)
            shown = cp1252Char(static_cast<unsigned char>(code));
    } else if (code <= 0xFF) {
        shown = cp1252Char(static_cast<unsigned char>(code));
    }
    if (shown < 0x20 || QChar::isSurrogate(shown))
        return {};
    return {QString::fromUcs4(&shown, 1), pointSize};
}

// The depth at which the document's outermost group lives; the state below it is
// what holds outside any group.
constexpr size_t kRootDepth = 2;

} // namespace

RtfReader::RtfReader() = default;
RtfReader::~RtfReader() = default;

bool RtfReader::hasRtfHeader(QByteArrayView data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data = data.sliced(3);
    qsizetype start = 0;
    while (start < data.size() && (data[start] == ' ' || data[start] == '\t'
               || data[start] == '\r' || data[start] == '\n'))
        ++start;
    return data.sliced(start).startsWith("{\\rtf");
}

bool RtfReader::readFile(const QString& fileName, QTextDocument& document)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        document.clear();
        m_errorString = QStringLiteral("Cannot open %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!read(file.readAll(), document)) {
        m_errorString = QStringLiteral("%1: %2").arg(fileName, m_errorString);
        return false;
    }
    return true;
}

bool RtfReader::read(QByteArrayView data, QTextDocument& document)
{
    m_errorString.clear();
    if (!hasRtfHeader(data)) {
        document.clear();
        m_errorString = QStringLiteral("not an RTF document: it does not start with \"{\\rtf\"");
        return false;
    }
    const bool undoRedo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false); // a loaded text is never undone piece by piece
    reset(document);

    m_input = data.sliced(data.indexOf('{'));
    RtfTokenizer tokenizer(m_input);
    m_tokenizer = &tokenizer;
    while (!m_finished) {
        const RtfToken token = tokenizer.next();
        if (token.type == RtfToken::Type::End)
            break;
        handleToken(token);
    }
    while (!m_finished) // a file cut short still closes its groups
        closeGroup();

    m_tokenizer = nullptr;
    m_input = {};
    m_notes.clear();
    m_builder.reset();
    m_document = nullptr;
    document.setUndoRedoEnabled(undoRedo);
    return true;
}

void RtfReader::reset(QTextDocument& document)
{
    m_document = &document;
    m_builder = std::make_unique<RtfDocumentBuilder>(document);
    m_stack.assign(1, GroupState{});
    m_overflowDepth = 0;
    m_finished = false;
    m_skipCharacters = 0;
    m_documentCodePage = RtfCodePage::WindowsLatin1;
    m_defaultFont = 0;
    m_fonts.clear();
    m_fontEntry = FontEntry{};
    m_colors.clear();
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
    m_pendingBytes.clear();
    m_pendingText.clear();
    m_picture = Picture{};
    m_pictureCount = 0;
    m_pixelsLeft = MaxPicturePixels;
    m_fieldInstruction.clear();
    m_fieldSymbol.clear();
    m_fieldSymbolPoints = 0;
    m_listText.clear();
    m_cellBoundaries.clear();
    m_rowBordered = false;
    m_formatCache.clear();
    m_notes.clear();
    m_noteStart = 0;
    m_noteIsEndnote = false;
    m_markPending = false;
    m_unclaimedMark.clear();
    m_footnoteCount = m_endnoteCount = 0;
    m_footnoteStart = m_endnoteStart = 1;
    m_footnoteNumbering = NoteNumbering::Arabic;
    m_endnoteNumbering = NoteNumbering::LowerRoman; // as word processors number endnotes
    m_replayFloor = 0;
    m_replayMark.clear();
}

void RtfReader::handleToken(const RtfToken& token)
{
    switch (token.type) {
    case RtfToken::Type::GroupStart:
        openGroup();
        return;
    case RtfToken::Type::GroupEnd:
        closeGroup();
        return;
    default:
        break;
    }
    if (m_overflowDepth > 0 || state().destination == Destination::Skip)
        return;
    if (state().destination == Destination::Note) {
        // Read when the text is done; only whether it is an endnote matters now.
        if (token.type == RtfToken::Type::ControlWord && token.word == QByteArrayView("ftnalt"))
            m_noteIsEndnote = true;
        return;
    }
    if (state().destination == Destination::UnicodePair && token.type != RtfToken::Type::ControlWord
        && !(token.type == RtfToken::Type::ControlSymbol && token.symbol == '*'))
        return; // the ANSI version beside \ud is left unread
    if (state().starred && token.type != RtfToken::Type::ControlWord) {
        setDestination(Destination::Skip); // \* before anything but a word: nothing we know
        return;
    }

    switch (token.type) {
    case RtfToken::Type::ControlWord:
        handleControlWord(token);
        break;
    case RtfToken::Type::ControlSymbol:
        if (m_skipCharacters > 0) {
            --m_skipCharacters;
            break;
        }
        handleControlSymbol(token.symbol);
        break;
    case RtfToken::Type::Text:
        handleText(token.data);
        break;
    case RtfToken::Type::HexByte:
        if (m_skipCharacters > 0) {
            --m_skipCharacters;
            break;
        }
        handleByte(token.byte);
        break;
    case RtfToken::Type::Binary:
        if (m_skipCharacters > 0) {
            --m_skipCharacters;
            break;
        }
        handleBinary(token.data);
        break;
    default:
        break;
    }
}

void RtfReader::openGroup()
{
    flushText();
    m_skipCharacters = 0;
    if (m_overflowDepth > 0 || m_stack.size() >= size_t(MaxGroupDepth)) {
        ++m_overflowDepth;
        return;
    }
    GroupState inner = m_stack.back();
    inner.ownsDestination = false;
    inner.ownsField = false;
    inner.starred = false;
    m_stack.push_back(std::move(inner));
}

void RtfReader::closeGroup()
{
    flushText();
    m_skipCharacters = 0;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= m_replayFloor)
        return; // a note read again never closes the groups around it
    if (m_stack.size() <= kRootDepth) {
        // The outermost group ends the document; what follows it is not part of it.
        appendNotes();
        m_builder->finish(state().paragraph, characterFormat(), listStyle());
        m_stack.resize(1);
        m_finished = true;
        return;
    }
    const GroupState closing = std::move(m_stack.back());
    m_stack.pop_back();
    if (closing.destination == Destination::FontTable)
        commitFontEntry();
    if (closing.ownsField)
        insertFieldSymbol(); // a SYMBOL field without a result
    if (!closing.ownsDestination)
        return;
    switch (closing.destination) {
    case Destination::Note:
        finishNote();
        break;
    case Destination::FieldInstruction:
        endFieldInstruction();
        break;
    case Destination::Picture:
        if (state().destination == Destination::Text)
            insertPicture(state().paragraph);
        m_picture = Picture{};
        break;
    case Destination::OldListProperties:
        // \pn sits in a group of its own but describes the paragraph around it.
        state().paragraph.list = closing.paragraph.list;
        state().paragraph.listLevel = closing.paragraph.listLevel;
        state().paragraph.oldListStyle = closing.paragraph.oldListStyle;
        break;
    default:
        break;
    }
}

void RtfReader::setDestination(Destination destination)
{
    // A damaged file may name a destination outside any group of its own; taking the whole
    // document for that destination would lose everything, so it is ignored there.
    if (m_stack.size() <= kRootDepth)
        return;
    state().destination = destination;
    state().ownsDestination = true;
}

void RtfReader::handleControlSymbol(char symbol)
{
    switch (symbol) {
    case '*':
        if (m_stack.size() > kRootDepth)
            state().starred = true;
        break;
    case '~':
        appendCharacter(u'\u00A0');
        break;
    case '_':
        appendCharacter(u'\u2011');
        break;
    default:
        // \- (optional hyphen), \: (index subentry), \| and unknown symbols show nothing.
        break;
    }
}

void RtfReader::handleText(QByteArrayView bytes)
{
    if (m_skipCharacters > 0) {
        const qsizetype skipped = qMin<qsizetype>(m_skipCharacters, bytes.size());
        m_skipCharacters -= int(skipped);
        bytes = bytes.sliced(skipped);
        if (bytes.isEmpty())
            return;
    }
    switch (state().destination) {
    case Destination::Text:
        if (!state().character.hidden)
            appendBytes(bytes);
        break;
    case Destination::FieldInstruction:
    case Destination::ListText:
        appendBytes(bytes);
        break;
    case Destination::FontTable:
    case Destination::ColorTable:
        for (const char c : bytes)
            handleByte(static_cast<unsigned char>(c));
        break;
    case Destination::Picture:
        appendPictureHex(bytes);
        break;
    default:
        break;
    }
}

void RtfReader::handleByte(unsigned char byte)
{
    const char c = static_cast<char>(byte);
    switch (state().destination) {
    case Destination::FontTable:
        if (c == ';') {
            commitFontEntry();
        } else if (m_fontEntry.name.size() < kMaxFontNameBytes) {
            m_fontEntry.name.append(c);
            m_fontEntry.started = true;
        }
        break;
    case Destination::ColorTable:
        if (c == ';')
            commitColor();
        break;
    case Destination::Picture:
        break;
    default:
        handleText(QByteArrayView(&c, 1));
        break;
    }
}

void RtfReader::handleBinary(QByteArrayView bytes)
{
    if (state().destination != Destination::Picture || m_picture.overflow)
        return;
    if (m_picture.data.size() + bytes.size() > MaxPictureBytes) {
        m_picture.overflow = true;
        return;
    }
    m_picture.data.append(bytes);
}

void RtfReader::handleControlWord(const RtfToken& token)
{
    const auto& table = keywords();
    const auto found = table.find(std::string_view(token.word.data(), size_t(token.word.size())));
    GroupState& s = state();
    if (s.starred) {
        s.starred = false;
        if (found == table.end() || !isDestination(found->second.keyword)) {
            setDestination(Destination::Skip);
            return;
        }
    }
    if (m_skipCharacters > 0) {
        --m_skipCharacters;
        return;
    }
    if (found == table.end())
        return;

    const Keyword keyword = found->second.keyword;
    if (s.destination == Destination::UnicodePair) {
        if (keyword == Keyword::UnicodeVersion) {
            const Destination resumed = s.resumed;
            setDestination(resumed);
        }
        return;
    }
    const int value = token.parameter;
    const bool on = !token.hasParameter || value != 0;
    const Destination destination = s.destination;
    RtfCharacterState& character = s.character;
    RtfParagraphState& paragraph = s.paragraph;

    // Words that add characters keep the text being collected; all others may change the
    // format or the place the text goes to, so the text so far is written out first.
    switch (keyword) {
    case Keyword::Unicode:
    case Keyword::UnicodeSkip:
    case Keyword::Character:
    case Keyword::ShortDate:
    case Keyword::LongDate:
    case Keyword::AbbreviatedDate:
    case Keyword::Time:
    case Keyword::Tab:
    case Keyword::Line:
        break;
    default:
        flushText();
        break;
    }

    switch (keyword) {
    case Keyword::FontTable:
        setDestination(Destination::FontTable);
        break;
    case Keyword::ColorTable:
        setDestination(Destination::ColorTable);
        break;
    case Keyword::Picture:
        setDestination(Destination::Picture);
        m_picture = Picture{};
        break;
    case Keyword::Field:
        m_fieldInstruction.clear();
        m_fieldSymbol.clear();
        s.ownsField = true;
        break;
    case Keyword::FieldInstruction:
        setDestination(Destination::FieldInstruction);
        m_fieldInstruction.clear();
        break;
    case Keyword::FieldResult:
        startFieldResult();
        break;
    case Keyword::ListText:
        setDestination(Destination::ListText);
        m_listText.clear();
        break;
    case Keyword::OldListProperties:
        setDestination(Destination::OldListProperties);
        break;
    case Keyword::SkippedDestination:
        setDestination(Destination::Skip);
        break;
    case Keyword::Container:
    case Keyword::UnicodeVersion: // outside \upr it is just a group
        break;
    case Keyword::UnicodePair:
        // \upr holds the same text twice; the Unicode version in \ud is the better one.
        s.resumed = destination;
        setDestination(Destination::UnicodePair);
        break;

    case Keyword::Ansi:
        m_documentCodePage = RtfCodePage::WindowsLatin1;
        break;
    case Keyword::Mac:
    case Keyword::Pc:
    case Keyword::Pca: {
        const int codePage = keyword == Keyword::Mac ? 10000 : keyword == Keyword::Pc ? 437 : 850;
        if (m_codePages.isSupported(codePage))
            m_documentCodePage = codePage;
        break;
    }
    case Keyword::AnsiCodePage:
        if (token.hasParameter && m_codePages.isSupported(value))
            m_documentCodePage = value;
        break;
    case Keyword::DefaultFont:
        m_defaultFont = value;
        m_formatCache.clear();
        break;
    case Keyword::FontCharset:
        if (destination == Destination::FontTable) {
            m_fontEntry.charset = value;
            m_fontEntry.started = true;
        }
        break;
    case Keyword::FontCodePage:
        if (destination == Destination::FontTable && m_codePages.isSupported(value))
            m_fontEntry.codePage = value;
        break;
    case Keyword::Red:
    case Keyword::Green:
    case Keyword::Blue:
        if (destination == Destination::ColorTable) {
            const int component = qBound(0, value, 255);
            (keyword == Keyword::Red ? m_red : keyword == Keyword::Green ? m_green : m_blue) = component;
            m_colorSet = true;
        }
        break;

    case Keyword::PngBlip:
    case Keyword::JpegBlip:
        if (destination == Destination::Picture)
            m_picture.format = keyword == Keyword::PngBlip ? Picture::Format::Png : Picture::Format::Jpeg;
        break;
    case Keyword::PictureGoalWidth:
        m_picture.goalWidth = value;
        break;
    case Keyword::PictureGoalHeight:
        m_picture.goalHeight = value;
        break;
    case Keyword::PictureScaleX:
        m_picture.scaleX = value;
        break;
    case Keyword::PictureScaleY:
        m_picture.scaleY = value;
        break;

    case Keyword::Unicode: {
        // \u takes a signed 16-bit value; anything outside that is damage. A symbol font
        // writes its own codes there, moved to the private-use range.
        const int unit = value < 0 ? value + 0x10000 : value;
        if (unit >= 0 && unit <= 0xFFFF)
            appendCodePoint(RtfSymbolFont::fromPrivateUse(RtfCodePage::symbolFont(currentCodePage()), char32_t(unit)));
        else
            appendCharacter(u'\uFFFD');
        m_skipCharacters = s.unicodeSkip;
        break;
    }
    case Keyword::UnicodeSkip:
        s.unicodeSkip = qBound(0, value, kMaxUnicodeSkip);
        break;

    case Keyword::Plain: {
        const QString href = character.anchorHref; // a link belongs to its field, not the run
        character = RtfCharacterState{};
        character.anchorHref = href;
        break;
    }
    case Keyword::Bold:
        character.bold = on;
        break;
    case Keyword::Italic:
        character.italic = on;
        break;
    case Keyword::Underline:
        character.underline = on;
        break;
    case Keyword::UnderlineNone:
        character.underline = false;
        break;
    case Keyword::Strike:
        character.strike = on;
        break;
    case Keyword::Font:
        if (destination == Destination::FontTable) {
            if (m_fontEntry.started && m_fontEntry.number != value)
                commitFontEntry();
            m_fontEntry.number = value;
            m_fontEntry.started = true;
        } else {
            character.font = value;
        }
        break;
    case Keyword::FontSize:
        character.fontSize = token.hasParameter && value > 0 ? qBound(2, value, 3276) : 24;
        break;
    case Keyword::Foreground:
        character.foreground = qMax(0, value);
        break;
    case Keyword::Background:
        character.background = qMax(0, value);
        break;
    case Keyword::Super:
        character.script = RtfCharacterState::Script::Super;
        break;
    case Keyword::Sub:
        character.script = RtfCharacterState::Script::Sub;
        break;
    case Keyword::NoSuperSub:
        character.script = RtfCharacterState::Script::Normal;
        break;
    case Keyword::Hidden:
        character.hidden = on;
        break;
    case Keyword::Caps:
        character.caps = on;
        break;
    case Keyword::SmallCaps:
        character.smallCaps = on;
        break;
    case Keyword::Character:
        appendCharacter(found->second.character);
        break;
    case Keyword::ShortDate:
    case Keyword::LongDate:
    case Keyword::AbbreviatedDate:
    case Keyword::Time:
        appendString(todayText(keyword));
        break;
    case Keyword::Footnote:
        if (destination != Destination::Text || m_replayFloor > 0 || !m_tokenizer) {
            setDestination(Destination::Skip); // notes inside notes, or outside the text
            break;
        }
        m_noteContext = s;
        setDestination(Destination::Note);
        m_noteStart = m_tokenizer->position();
        m_noteIsEndnote = false;
        break;
    case Keyword::Endnote: // only inside a note, which is read later
        break;
    case Keyword::NoteMark:
        noteMark();
        break;
    case Keyword::FootnoteNumbering:
        m_footnoteNumbering = NoteNumbering(found->second.character);
        break;
    case Keyword::EndnoteNumbering:
        m_endnoteNumbering = NoteNumbering(found->second.character);
        break;
    case Keyword::FootnoteStart:
        m_footnoteStart = qBound(1, value, 10000);
        break;
    case Keyword::EndnoteStart:
        m_endnoteStart = qBound(1, value, 10000);
        break;
    case Keyword::Raise:
        character.script = on ? RtfCharacterState::Script::Super : RtfCharacterState::Script::Normal;
        break;
    case Keyword::Lower:
        character.script = on ? RtfCharacterState::Script::Sub : RtfCharacterState::Script::Normal;
        break;
    case Keyword::Tab:
        if (destination != Destination::FieldInstruction)
            appendCharacter(u'\t');
        break;
    case Keyword::Line:
        if (destination == Destination::Text)
            appendCharacter(QChar::LineSeparator);
        break;

    case Keyword::Par:
    case Keyword::Sect:
    case Keyword::NestedCell:
    case Keyword::NestedRow:
        if (destination == Destination::Text)
            endParagraph(false);
        break;
    case Keyword::Page:
        if (destination == Destination::Text)
            endParagraph(true);
        break;
    case Keyword::Pard:
        paragraph = RtfParagraphState{};
        break;
    case Keyword::AlignLeft:
        paragraph.alignment = Qt::AlignLeft;
        break;
    case Keyword::AlignCenter:
        paragraph.alignment = Qt::AlignHCenter;
        break;
    case Keyword::AlignRight:
        paragraph.alignment = Qt::AlignRight;
        break;
    case Keyword::AlignJustify:
        paragraph.alignment = Qt::AlignJustify;
        break;
    case Keyword::LeftIndent:
        paragraph.leftIndent = value;
        break;
    case Keyword::RightIndent:
        paragraph.rightIndent = value;
        break;
    case Keyword::FirstLineIndent:
        paragraph.firstLineIndent = value;
        break;
    case Keyword::SpaceBefore:
        paragraph.spaceBefore = value;
        break;
    case Keyword::SpaceAfter:
        paragraph.spaceAfter = value;
        break;
    case Keyword::LineSpacing:
        paragraph.lineSpacing = value;
        break;
    case Keyword::LineSpacingMultiple:
        paragraph.lineSpacingMultiple = on;
        break;
    case Keyword::InTable:
        paragraph.inTable = on;
        paragraph.tableLevel = on ? qMax(1, paragraph.tableLevel) : 0;
        break;
    case Keyword::TableLevel:
        paragraph.inTable = value > 0;
        paragraph.tableLevel = qMax(0, value);
        break;
    case Keyword::ListNumber:
        paragraph.list = qMax(0, value);
        break;
    case Keyword::ListLevel:
        paragraph.listLevel = value;
        break;

    case Keyword::OldListBullet:
        paragraph.list = -1;
        paragraph.oldListStyle = QTextListFormat::ListDisc;
        break;
    case Keyword::OldListBody:
        paragraph.list = -1;
        if (paragraph.oldListStyle == QTextListFormat::ListDisc)
            paragraph.oldListStyle = QTextListFormat::ListDecimal;
        break;
    case Keyword::OldListLevel:
        paragraph.list = -1;
        paragraph.listLevel = value - 1;
        break;
    case Keyword::OldListDecimal:
        paragraph.oldListStyle = QTextListFormat::ListDecimal;
        break;
    case Keyword::OldListLowerAlpha:
        paragraph.oldListStyle = QTextListFormat::ListLowerAlpha;
        break;
    case Keyword::OldListUpperAlpha:
        paragraph.oldListStyle = QTextListFormat::ListUpperAlpha;
        break;
    case Keyword::OldListLowerRoman:
        paragraph.oldListStyle = QTextListFormat::ListLowerRoman;
        break;
    case Keyword::OldListUpperRoman:
        paragraph.oldListStyle = QTextListFormat::ListUpperRoman;
        break;

    case Keyword::Cell:
        if (destination == Destination::Text) {
            flushNoteMark();
            m_builder->endCell(paragraph, characterFormat());
            m_listText.clear();
        }
        break;
    case Keyword::Row:
        if (destination == Destination::Text && !m_builder->endRow())
            endParagraph(false); // a stray \row ends a paragraph
        break;
    case Keyword::RowDefaults:
        if (paragraph.tableLevel > 1)
            break; // inner tables are read as paragraphs of their outer cell
        m_cellBoundaries.clear();
        m_rowBordered = false;
        m_builder->setRowDefinition(m_cellBoundaries, m_rowBordered);
        break;
    case Keyword::CellRightEdge:
        if (paragraph.tableLevel <= 1 && m_cellBoundaries.size() < size_t(RtfDocumentBuilder::MaxColumns)) {
            m_cellBoundaries.push_back(value);
            m_builder->setRowDefinition(m_cellBoundaries, m_rowBordered);
        }
        break;
    case Keyword::CellBorder:
        m_rowBordered = true;
        break;
    }
}

int RtfReader::currentCodePage() const
{
    const int font = state().character.font >= 0 ? state().character.font : m_defaultFont;
    const auto found = m_fonts.find(font);
    if (found != m_fonts.end() && found->second.codePage != 0)
        return found->second.codePage;
    return m_documentCodePage;
}

void RtfReader::appendBytes(QByteArrayView bytes)
{
    const int codePage = currentCodePage();
    if (codePage != m_pendingCodePage)
        decodePendingBytes();
    m_pendingCodePage = codePage;
    m_pendingBytes.append(bytes);
}

void RtfReader::decodePendingBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    m_codePages.decodeInto(m_pendingText, m_pendingBytes, m_pendingCodePage);
    m_pendingBytes.truncate(0);
}

void RtfReader::appendCodePoint(char32_t unicode)
{
    if (QChar::requiresSurrogates(unicode)) {
        appendCharacter(QChar::highSurrogate(unicode));
        appendCharacter(QChar::lowSurrogate(unicode));
    } else {
        appendCharacter(char16_t(unicode));
    }
}

bool RtfReader::takesCharacters() const
{
    switch (state().destination) {
    case Destination::Text: return !state().character.hidden;
    case Destination::FieldInstruction:
    case Destination::ListText: return true;
    default: return false;
    }
}

void RtfReader::appendCharacter(char16_t unicode)
{
    if (!takesCharacters())
        return;
    decodePendingBytes();
    m_pendingText += QChar(unicode);
}

void RtfReader::appendString(const QString& text)
{
    if (!takesCharacters())
        return;
    decodePendingBytes();
    m_pendingText += text;
}

void RtfReader::flushText()
{
    decodePendingBytes();
    if (m_pendingText.isEmpty())
        return;
    deliverText(m_pendingText);
    m_pendingText.truncate(0); // the document copied the text; the buffer is reused
}

void RtfReader::deliverText(const QString& text)
{
    switch (state().destination) {
    case Destination::Text: {
        flushNoteMark();
        // A list number whose paragraph turned out not to be a list item is shown as text.
        if (!m_listText.isEmpty() && state().paragraph.list == 0) {
            const QString number = m_listText;
            m_listText.clear();
            m_builder->insertText(sanitized(number), characterFormat(), state().paragraph);
        }
        m_builder->insertText(sanitized(text), characterFormat(), state().paragraph);
        break;
    }
    case Destination::FieldInstruction:
        if (m_fieldInstruction.size() < kMaxFieldInstruction)
            m_fieldInstruction += text.left(kMaxFieldInstruction - m_fieldInstruction.size());
        break;
    case Destination::ListText:
        if (m_listText.size() < kMaxListText)
            m_listText += text.left(kMaxListText - m_listText.size());
        break;
    default:
        break;
    }
}

void RtfReader::endParagraph(bool pageBreak)
{
    flushNoteMark();
    m_builder->endParagraph(state().paragraph, characterFormat(), listStyle(),
        pageBreak ? RtfDocumentBuilder::Break::Page : RtfDocumentBuilder::Break::Paragraph);
    m_listText.clear();
}

void RtfReader::commitFontEntry()
{
    if (m_fontEntry.number >= 0
        && (m_fonts.size() < size_t(MaxFonts) || m_fonts.count(m_fontEntry.number))) {
        int codePage = m_fontEntry.codePage;
        if (codePage == 0)
            codePage = RtfCodePage::codePageForCharset(m_fontEntry.charset);
        if (codePage != 0 && !m_codePages.isSupported(codePage))
            codePage = 0;
        const QString name = m_codePages.decode(m_fontEntry.name,
            codePage != 0 ? codePage : m_documentCodePage).trimmed();
        // Of the fonts with the symbol charset, those whose layout is known show the
        // characters they draw; other picture fonts keep their bytes as they are.
        if (m_fontEntry.charset == kSymbolCharset && m_fontEntry.codePage == 0) {
            if (const int symbols = RtfCodePage::codePageOf(RtfSymbolFont::byName(name)))
                codePage = symbols;
        }
        m_fonts[m_fontEntry.number] = Font{name, codePage};
        m_formatCache.clear();
    }
    m_fontEntry = FontEntry{};
}

void RtfReader::commitColor()
{
    if (m_colors.size() < size_t(MaxColors)) {
        // An entry without components is the automatic colour (usually the first one).
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
        m_formatCache.clear();
    }
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

void RtfReader::appendPictureHex(QByteArrayView bytes)
{
    if (m_picture.overflow)
        return;
    for (const char c : bytes) {
        const int nibble = RtfTokenizer::hexValue(c);
        if (nibble < 0)
            continue;
        if (m_picture.pendingNibble < 0) {
            m_picture.pendingNibble = nibble;
            continue;
        }
        if (m_picture.data.size() >= MaxPictureBytes) {
            m_picture.overflow = true;
            return;
        }
        m_picture.data.append(char(m_picture.pendingNibble * 16 + nibble));
        m_picture.pendingNibble = -1;
    }
}

void RtfReader::insertPicture(const RtfParagraphState& paragraph)
{
    // Only PNG and JPEG are shown; metafiles and device-dependent bitmaps are left out.
    if (m_picture.format == Picture::Format::Unknown || m_picture.data.isEmpty()
        || m_picture.overflow)
        return;
    QBuffer buffer(&m_picture.data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, m_picture.format == Picture::Format::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > m_pixelsLeft)
        return;
    const QImage image = reader.read();
    if (image.isNull())
        return;
    m_pixelsLeft -= qint64(image.width()) * image.height();

    const auto side = [](int goal, int natural, int scale) {
        const qreal base = goal > 0 ? qreal(goal) / kTwipsPerPixel : qreal(natural);
        const qreal scaled = base * (scale > 0 ? qMin(scale, 10000) : 100) / 100.0;
        return qBound<qreal>(1, scaled, kMaxPictureSide);
    };
    flushNoteMark();
    const QString name = QStringLiteral("rtf-image-%1").arg(++m_pictureCount);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(side(m_picture.goalWidth, image.width(), m_picture.scaleX));
    format.setHeight(side(m_picture.goalHeight, image.height(), m_picture.scaleY));
    m_builder->insertImage(format, paragraph);
}

void RtfReader::endFieldInstruction()
{
    std::tie(m_fieldSymbol, m_fieldSymbolPoints) = symbolField(m_fieldInstruction);
}

void RtfReader::insertFieldSymbol()
{
    if (m_fieldSymbol.isEmpty())
        return;
    const QString symbol = std::exchange(m_fieldSymbol, QString());
    if (state().destination != Destination::Text || state().character.hidden)
        return;
    flushText();
    flushNoteMark();
    QTextCharFormat format = characterFormat();
    if (m_fieldSymbolPoints > 0)
        format.setFontPointSize(m_fieldSymbolPoints);
    m_builder->insertText(symbol, format, state().paragraph);
}

void RtfReader::noteMark()
{
    if (m_replayFloor > 0) {
        appendString(m_replayMark); // the note's own number, before its text
        return;
    }
    if (state().destination != Destination::Text)
        return;
    // Which count the number comes from is known only once the note after it has been seen.
    flushNoteMark();
    m_markPending = true;
    m_markFormat = characterFormat();
}

void RtfReader::flushNoteMark()
{
    if (!m_markPending)
        return;
    // Something else came first: the mark is a footnote's, and waits for its note.
    m_markPending = false;
    m_unclaimedMark = noteNumber(m_footnoteStart + m_footnoteCount++, m_footnoteNumbering);
    m_builder->insertText(m_unclaimedMark, m_markFormat, state().paragraph);
}

void RtfReader::finishNote()
{
    const qsizetype end = qMax(m_noteStart, m_tokenizer->position() - 1); // before the note's '}'
    Note note{m_noteStart, end, m_noteContext, QString(), m_noteIsEndnote};
    if (m_markPending) {
        m_markPending = false;
        note.mark = note.endnote ? noteNumber(m_endnoteStart + m_endnoteCount++, m_endnoteNumbering)
                                 : noteNumber(m_footnoteStart + m_footnoteCount++, m_footnoteNumbering);
        m_builder->insertText(note.mark, m_markFormat, state().paragraph);
    } else {
        note.mark = std::exchange(m_unclaimedMark, QString());
    }
    if (m_notes.size() < size_t(MaxNotes))
        m_notes.push_back(std::move(note));
}

void RtfReader::appendNotes()
{
    flushNoteMark();
    if (m_notes.empty())
        return;
    // As printed: the text, a blank line, the footnotes and then the endnotes, each after
    // its mark.
    flushText();
    endParagraph(false);
    endParagraph(false);
    std::stable_partition(m_notes.begin(), m_notes.end(), [](const Note& note) { return !note.endnote; });
    for (const Note& note : m_notes)
        replayNote(note);
    m_notes.clear();
}

void RtfReader::replayNote(const Note& note)
{
    GroupState inside = note.context;
    inside.destination = Destination::Text;
    inside.ownsDestination = false;
    inside.ownsField = false;
    inside.starred = false;
    inside.paragraph = RtfParagraphState{}; // a note stands in no table or list of the text
    inside.character.anchorHref.clear();
    const size_t floor = m_stack.size();
    m_stack.push_back(std::move(inside));
    m_replayFloor = floor + 1;
    m_replayMark = note.mark;
    m_skipCharacters = 0;

    RtfTokenizer tokenizer(m_input.sliced(note.begin, note.end - note.begin));
    for (RtfToken token = tokenizer.next(); token.type != RtfToken::Type::End; token = tokenizer.next())
        handleToken(token);
    while (m_stack.size() > m_replayFloor)
        closeGroup();
    flushText();
    endParagraph(false);

    m_overflowDepth = 0;
    m_skipCharacters = 0;
    m_replayFloor = 0;
    m_stack.resize(floor);
}

void RtfReader::startFieldResult()
{
    if (!m_fieldSymbol.isEmpty()) {
        // The result a writer left is the character in a font this machine may not have.
        insertFieldSymbol();
        setDestination(Destination::Skip);
        return;
    }
    static const QRegularExpression hyperlink(
        QStringLiteral(R"(^\s*HYPERLINK\s+(?:\\l\s+)?"([^"]*)\")"));
    const QRegularExpressionMatch match = hyperlink.match(m_fieldInstruction);
    if (match.hasMatch())
        state().character.anchorHref = match.captured(1);
}

QTextCharFormat RtfReader::characterFormat()
{
    const RtfCharacterState& c = state().character;
    for (const CachedFormat& cached : m_formatCache) {
        if (cached.state == c)
            return cached.format;
    }

    QTextCharFormat format;
    const auto font = m_fonts.find(c.font >= 0 ? c.font : m_defaultFont);
    // The characters of a symbol font have become Unicode ones: a font of that name here
    // would draw them in its own layout, or not at all.
    if (font != m_fonts.end() && !font->second.name.isEmpty()
        && RtfCodePage::symbolFont(font->second.codePage) == RtfSymbolFont::Font::None)
        format.setFontFamilies(QStringList{font->second.name});
    format.setFontPointSize(c.fontSize / 2.0);
    if (c.bold)
        format.setFontWeight(QFont::Bold);
    if (c.italic)
        format.setFontItalic(true);
    if (c.underline)
        format.setFontUnderline(true);
    if (c.strike)
        format.setFontStrikeOut(true);
    if (c.caps)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (c.smallCaps)
        format.setFontCapitalization(QFont::SmallCaps);
    if (c.foreground > 0 && size_t(c.foreground) < m_colors.size() && m_colors[c.foreground].isValid())
        format.setForeground(m_colors[c.foreground]);
    if (c.background > 0 && size_t(c.background) < m_colors.size() && m_colors[c.background].isValid())
        format.setBackground(m_colors[c.background]);
    if (c.script == RtfCharacterState::Script::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (c.script == RtfCharacterState::Script::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (!c.anchorHref.isEmpty()) {
        format.setAnchor(true);
        format.setAnchorHref(c.anchorHref);
    }

    if (m_formatCache.size() < FormatCacheSize) {
        m_formatCache.push_back(CachedFormat{c, format});
    } else {
        m_formatCache[m_nextCacheSlot] = CachedFormat{c, format};
        m_nextCacheSlot = (m_nextCacheSlot + 1) % FormatCacheSize;
    }
    return format;
}

QTextListFormat::Style RtfReader::listStyle() const
{
    if (state().paragraph.list < 0)
        return state().paragraph.oldListStyle;
    // Word writes the number of each item as text before it; its form tells the style.
    const QString number = m_listText.trimmed();
    if (number.isEmpty())
        return QTextListFormat::ListDisc;
    const QChar first = number.front();
    if (first.isDigit())
        return QTextListFormat::ListDecimal;
    if (first.isLetter() && first.unicode() < 0x80) {
        QString letters;
        for (const QChar c : number) {
            if (c.isLetter())
                letters += c.toLower();
        }
        const bool roman = !letters.isEmpty()
            && letters.count(QRegularExpression(QStringLiteral("[ivxlcdm]"))) == letters.size()
            && (letters.size() > 1 || letters == u"i");
        if (first.isLower())
            return roman ? QTextListFormat::ListLowerRoman : QTextListFormat::ListLowerAlpha;
        return roman ? QTextListFormat::ListUpperRoman : QTextListFormat::ListUpperAlpha;
    }
    return QTextListFormat::ListDisc;
}
