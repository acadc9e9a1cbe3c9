// The RTF reader on small documents written for each rule: text decoding, character and
// paragraph formatting, structure (tables, lists, pictures, fields) and damaged input.

#include "RtfCodePage.h"
#include "RtfReader.h"

#include <QBuffer>
#include <QImage>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

namespace {

QString plainText(const QByteArray& rtf)
{
    QTextDocument document;
    RtfReader reader;
    if (!reader.read(rtf, document))
        return QStringLiteral("<not read: %1>").arg(reader.errorString());
    return document.toPlainText();
}

QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    const int position = document.toPlainText().indexOf(text);
    if (position < 0)
        return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

// A short account of a character format, so that a table row can state what it expects.
QString describe(const QTextCharFormat& format)
{
    QStringList parts;
    if (format.fontWeight() >= QFont::Bold)
        parts << QStringLiteral("b");
    if (format.fontItalic())
        parts << QStringLiteral("i");
    if (format.fontUnderline())
        parts << QStringLiteral("u");
    if (format.fontStrikeOut())
        parts << QStringLiteral("s");
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        parts << QStringLiteral("sup");
    if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        parts << QStringLiteral("sub");
    if (format.fontCapitalization() == QFont::AllUppercase)
        parts << QStringLiteral("caps");
    parts << QStringLiteral("%1pt").arg(format.fontPointSize());
    if (format.hasProperty(QTextFormat::FontFamilies))
        parts << format.fontFamilies().toStringList().join(u',');
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        parts << format.foreground().color().name();
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        parts << QStringLiteral("on ") + format.background().color().name();
    if (format.isAnchor())
        parts << QStringLiteral("link ") + format.anchorHref();
    return parts.join(u' ');
}

QString describe(const QTextBlockFormat& format)
{
    QStringList parts;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    parts << (align == Qt::AlignHCenter ? QStringLiteral("center")
            : align == Qt::AlignRight   ? QStringLiteral("right")
            : align == Qt::AlignJustify ? QStringLiteral("justify")
                                        : QStringLiteral("left"));
    const auto add = [&](const char* name, qreal value) {
        if (value != 0)
            parts << QStringLiteral("%1 %2").arg(QLatin1String(name)).arg(value);
    };
    add("left", format.leftMargin());
    add("right", format.rightMargin());
    add("indent", format.textIndent());
    add("before", format.topMargin());
    add("after", format.bottomMargin());
    if (format.lineHeightType() == QTextBlockFormat::ProportionalHeight)
        parts << QStringLiteral("line %1%").arg(format.lineHeight());
    else if (format.lineHeightType() == QTextBlockFormat::FixedHeight)
        parts << QStringLiteral("line exactly %1").arg(format.lineHeight());
    else if (format.lineHeightType() == QTextBlockFormat::MinimumHeight)
        parts << QStringLiteral("line at least %1").arg(format.lineHeight());
    if (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        parts << QStringLiteral("new page");
    return parts.join(u' ');
}

QByteArray pngHex(const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png.toHex();
}

QList<QTextImageFormat> images(const QTextDocument& document)
{
    QList<QTextImageFormat> found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                found << it.fragment().charFormat().toImageFormat();
        }
    }
    return found;
}

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void decodesText_data();
    void decodesText();
    void windows1252TableMatchesTheConverter();
    void symbolFieldTakesItsSize();
    void symbolFontsOfTheCorpus_data();
    void symbolFontsOfTheCorpus();
    void datesInTheReadersLocale();
    void notesAtTheEnd();
    void notesOfTheCorpus();
    void characterFormat_data();
    void characterFormat();
    void paragraphFormat_data();
    void paragraphFormat();
    void pardKeepsCharacterFormat();
    void lineTabAndFinalParagraph();
    void readsTables();
    void readsLists_data();
    void readsLists();
    void showsPngAndJpegOnly();
    void recoversDamagedInput_data();
    void recoversDamagedInput();
    void refusesTextWithoutHeader();
    void boundsLargeStructures();
};

void TestRtfReader::decodesText_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    const QString spanish = QStringLiteral("á é í ó ú ñ Ñ ¿ ¡ €");
    QTest::newRow("Windows-1252 escapes")
        << QByteArray(R"({\rtf1\ansi\ansicpg1252 \'e1 \'e9 \'ed \'f3 \'fa \'f1 \'d1 \'bf \'a1 \'80})")
        << spanish;
    QTest::newRow("Windows-1252 without \\ansicpg")
        << QByteArray(R"({\rtf1 \'e1 \'e9 \'ed \'f3 \'fa \'f1 \'d1 \'bf \'a1 \'80})") << spanish;
    QTest::newRow("Windows-1252 raw bytes")
        << QByteArray("{\\rtf1\\ansi \xe1 \xe9 \xed \xf3 \xfa \xf1 \xd1 \xbf \xa1 \x80}") << spanish;
    QTest::newRow("\\u with one fallback")
        << QByteArray(R"({\rtf1\uc1 \u225?\u233? \u237?\u243?\u250? \u241?\u209? \u191?\u161? \u8364?})")
        << QStringLiteral("áé íóú ñÑ ¿¡ €");
    QTest::newRow("\\u with escaped fallbacks")
        << QByteArray(R"({\rtf1 \u241\'f1\u209\'d1 \u8364\'80})") << QStringLiteral("ñÑ €");
    QTest::newRow("\\uc2 skips two") << QByteArray(R"({\rtf1\uc2 \u241\'6e\'6ex})")
                                     << QStringLiteral("ñx");
    QTest::newRow("\\uc0 skips nothing") << QByteArray(R"({\rtf1\uc0 \u241 x})")
                                         << QStringLiteral("ñx");
    QTest::newRow("\\uc ends with its group")
        << QByteArray(R"({\rtf1 {\uc0 \u241}\u241?x})") << QStringLiteral("ññx");
    QTest::newRow("negative \\u and surrogate pair")
        << QByteArray(R"({\rtf1 \u-10179?\u-8704?})") << QStringLiteral("\U0001F600");
    QTest::newRow("literal braces and backslash")
        << QByteArray(R"({\rtf1 \{a\}\\b})") << QStringLiteral("{a}\\b");
    QTest::newRow("named characters")
        << QByteArray(R"({\rtf1 \lquote a\rquote  \ldblquote b\rdblquote  c\emdash d\endash e\bullet f})")
        << QStringLiteral("‘a’ “b” c—d–e•f");
    QTest::newRow("document code page 1251")
        << QByteArray(R"({\rtf1\ansi\ansicpg1251 \'c0\'e1})") << QStringLiteral("Аб");
    QTest::newRow("font charset")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f1 \'c0\f0 \'c0})")
        << QStringLiteral("АÀ");
    QTest::newRow("Symbol font")
        << QByteArray(R"({\rtf1{\fonttbl{\f0\fcharset2 Symbol;}{\f1 Arial;}}\f0 a\'b7\'ae\f1 a})")
        << QStringLiteral("α•→a");
    // Symbol fonts: the character the font draws, from a byte, a \u in the font's
    // private-use range, or a SYMBOL field.
    QTest::newRow("Wingdings bytes")
        << QByteArray(R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset2 Wingdings;}}\f1 J\'4a\'fc\'21\f0 J})")
        << QStringLiteral("\u263A\u263A\u2714\U0001F589J");
    QTest::newRow("Symbol in the private-use range")
        << QByteArray(R"({\rtf1{\fonttbl{\f3\fcharset2 Symbol;}}{\f3 \u-4031\'41\u-3911\'b9}})")
        << QStringLiteral("\u0391\u2260");
    QTest::newRow("Zapf Dingbats")
        << QByteArray(R"({\rtf1{\fonttbl{\f18\fcharset2 Zapf Dingbats;}}{\f18 \u-4031\'41\'48}})")
        << QStringLiteral("\u2721\u2605");
    QTest::newRow("SYMBOL field in Wingdings")
        << QByteArray(R"({\rtf1 a{\field{\*\fldinst SYMBOL 74 \\f "Wingdings" \\s 12}{\fldrslt {\f2 J}}}b})")
        << QStringLiteral("a\u263Ab");
    QTest::newRow("SYMBOL field without a result")
        << QByteArray(R"({\rtf1 a{\field{\*\fldinst SYMBOL 0xF061 \\f "Symbol"}}b})")
        << QStringLiteral("a\u03B1b");
    QTest::newRow("SYMBOL field, font word unescaped, Symbol by default")
        << QByteArray(R"({\rtf1 {\field{\*\fldinst SYMBOL 183 \f "Wingdings"}{\fldrslt x}}{\field{\*\fldinst SYMBOL 97}{\fldrslt a}}})")
        << QStringLiteral("\U0001F550\u03B1");
    QTest::newRow("SYMBOL field in a font of letters, and in Unicode")
        << QByteArray(R"({\rtf1 {\field{\*\fldinst SYMBOL 128 \\f "Arial"}{\fldrslt ?}}{\field{\*\fldinst SYMBOL 8364 \\u}{\fldrslt ?}}})")
        << QStringLiteral("\u20AC\u20AC");
    QTest::newRow("\\upr prefers its Unicode version")
        << QByteArray(R"({\rtf1 {\upr{G}{\*\ud{\u915?}}}})") << QStringLiteral("Γ");
    QTest::newRow("raw line breaks are not text")
        << QByteArray("{\\rtf1 a\r\nb\nc}") << QStringLiteral("abc");
}

void TestRtfReader::decodesText()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(plainText(rtf), text);
}

void TestRtfReader::symbolFieldTakesItsSize()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(QByteArray(R"({\rtf1\fs20 {\field{\*\fldinst SYMBOL 74 \\f "Wingdings" \\s 18}{\fldrslt J}} x})"), document));
    QCOMPARE(document.toPlainText(), QStringLiteral("\u263A x"));
    QCOMPARE(formatOf(document, QStringLiteral("\u263A")).fontPointSize(), 18.0);
    QCOMPARE(formatOf(document, QStringLiteral("x")).fontPointSize(), 10.0);
    // A run in a symbol font is shown in no font of that name: one here would draw the
    // Unicode characters in its own layout, or leave them blank.
    QVERIFY(reader.read(QByteArray(R"({\rtf1{\fonttbl{\f0 DejaVu Serif;}{\f1\fcharset2 Symbol;}}\f1 a\f0 b})"), document));
    QCOMPARE(document.toPlainText(), QStringLiteral("\u03B1b"));
    QVERIFY(!formatOf(document, QStringLiteral("\u03B1")).hasProperty(QTextFormat::FontFamilies));
    QCOMPARE(formatOf(document, QStringLiteral("b")).fontFamilies().toStringList(), QStringList { QStringLiteral("DejaVu Serif") });
}

// The corpus's own tables of the fonts, line by line: "<character>:<letter>:<name>:<code>".
void TestRtfReader::symbolFontsOfTheCorpus_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("shown");
    const QString symbol = QStringLiteral("rtf2xml_symbol.rtf");
    QTest::newRow("alpha") << symbol << QStringLiteral(":A:GREEK CAPITAL LETTER ALPHA") << QStringLiteral("\u0391");
    QTest::newRow("small omega") << symbol << QStringLiteral(":w:GREEK SMALL LETTER OMEGA") << QStringLiteral("\u03C9");
    QTest::newRow("there exists") << symbol << QStringLiteral(":$:THERE EXISTS") << QStringLiteral("\u2203");
    QTest::newRow("partial differential") << symbol << QStringLiteral(":\u2202:PARTIAL DIFFERENTIAL") << QStringLiteral("\u2202");
    const QString zapf = QStringLiteral("rtf2xml_zapf_dingbats.rtf");
    QTest::newRow("star of David") << zapf << QStringLiteral(":A:STAR OF DAVID") << QStringLiteral("\u2721");
    QTest::newRow("black star") << zapf << QStringLiteral(":H:BLACK STAR") << QStringLiteral("\u2605");
}

void TestRtfReader::symbolFontsOfTheCorpus()
{
    QFETCH(QString, file);
    QFETCH(QString, line);
    QFETCH(QString, shown);
    QTextDocument document;
    RtfReader reader;
    QVERIFY2(reader.readFile(QStringLiteral(TAMSEL_SOURCE_DIR "/../shared/testdata/rtf/") + file, document), qPrintable(reader.errorString()));
    const QStringList lines = document.toPlainText().split(QLatin1Char('\n'));
    const auto found = std::find_if(lines.begin(), lines.end(), [&](const QString& l) { return l.contains(line); });
    QVERIFY2(found != lines.end(), qPrintable(line));
    QCOMPARE(found->left(found->indexOf(line)), shown);
}

// Today's date as the reader's own locale writes it, in its short, long and abbreviated forms.
void TestRtfReader::datesInTheReadersLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QDate today = QDate::currentDate();
    const QString text = plainText(R"({\rtf1 [\chdate][\chdpl][\chdpa][\chtime]})");
    QLocale::setDefault(before);
    static const char* const months[] = {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
        "septiembre", "octubre", "noviembre", "diciembre"};
    const QString month = QString::fromLatin1(months[today.month() - 1]);
    const QStringList parts = text.mid(1, text.size() - 2).split(QStringLiteral("]["));
    QCOMPARE(parts.size(), 4);
    QCOMPARE(parts[0], QStringLiteral("%1/%2/%3").arg(today.day()).arg(today.month()).arg(today.year() % 100, 2, 10, QLatin1Char('0')));
    QVERIFY2(parts[1].contains(QStringLiteral("%1 de %2 de %3").arg(today.day()).arg(month).arg(today.year())), qPrintable(parts[1]));
    QVERIFY2(parts[2].contains(month.left(3)) && !parts[2].contains(month.size() > 4 ? month : QStringLiteral("#")), qPrintable(parts[2]));
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{1,2}:\\d{2}$")).match(parts[3]).hasMatch(), qPrintable(parts[3]));
}

// Footnotes and endnotes follow the text as a word processor prints them: the mark in the
// text, and at the end each note after its own mark, footnotes first.
void TestRtfReader::notesAtTheEnd()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(QByteArray(R"({\rtf1\ftnnar\aftnnrlc One{\super\chftn}{\footnote\pard\plain {\up6\chftn} First note.} two)"
                                   R"({\super\chftn}{\footnote\ftnalt\pard\plain {\up6\chftn} An endnote.} three{\super\chftn})"
                                   R"({\footnote {\up6\chftn} Second {\b note}.}\par Last.})"), document));
    QCOMPARE(document.toPlainText(),
        QStringLiteral("One1 twoi three2\nLast.\n\n1 First note.\n2 Second note.\ni An endnote."));
    QCOMPARE(formatOf(document, QStringLiteral("1 twoi")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    QCOMPARE(formatOf(document, QStringLiteral("note.\ni")).fontWeight(), int(QFont::Bold));
}

void TestRtfReader::notesOfTheCorpus()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.readFile(QStringLiteral(TAMSEL_SOURCE_DIR "/../shared/testdata/rtf/phprtflite_footnotes.rtf"), document));
    const QString text = document.toPlainText();
    // The marks in the text, the footnotes in the table included; the notes after the text.
    QVERIFY2(text.contains(QStringLiteral("massa.1")) && text.contains(QStringLiteral("convallis.2")), qPrintable(text));
    const int last = text.lastIndexOf(QStringLiteral("Nullam a fermentum massa."));
    const QStringList notes = text.mid(last).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1);
    QCOMPARE(notes, QStringList({ QStringLiteral("1This is a footnote"), QStringLiteral("2This is a another footnote"),
                        QStringLiteral("3This is a footnote in a table"), QStringLiteral("4This is a footnote"),
                        QStringLiteral("iThis is a endnote"), QStringLiteral("iiThis is a another endnote"),
                        QStringLiteral("iiiThis is a endnote in a table") }));
}

void TestRtfReader::windows1252TableMatchesTheConverter()
{
    QStringDecoder converter("windows-1252");
    if (!converter.isValid())
        QSKIP("this Qt has no Windows-1252 converter to compare with");
    for (int byte = 0; byte < 256; ++byte) {
        const char c = char(byte);
        const QString expected = converter.decode(QByteArrayView(&c, 1));
        // The five holes of the code page differ between converters; ours keeps the byte.
        if (expected == QChar::ReplacementCharacter)
            continue;
        QCOMPARE(RtfCodePage::decodeWindows1252(QByteArrayView(&c, 1)), expected);
    }
}

void TestRtfReader::characterFormat_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("format");

    const QByteArray nested = R"({\rtf1 a{\b b{\i c}d}e})";
    QTest::newRow("outside") << nested << "a" << "12pt";
    QTest::newRow("bold") << nested << "b" << "b 12pt";
    QTest::newRow("bold italic") << nested << "c" << "b i 12pt";
    QTest::newRow("italic ends with its group") << nested << "d" << "b 12pt";
    QTest::newRow("bold ends with its group") << nested << "e" << "12pt";

    const QByteArray toggles = R"({\rtf1\b\i\ul\strike A\b0 B\i0\ul0 C\ulnone\strike0 D\super E\nosupersub\sub F\plain G})";
    QTest::newRow("all on") << toggles << "A" << "b i u s 12pt";
    QTest::newRow("\\b0") << toggles << "B" << "i u s 12pt";
    QTest::newRow("\\i0 \\ul0") << toggles << "C" << "s 12pt";
    QTest::newRow("\\ulnone \\strike0") << toggles << "D" << "12pt";
    QTest::newRow("\\super") << toggles << "E" << "sup 12pt";
    QTest::newRow("\\sub") << toggles << "F" << "sub 12pt";
    QTest::newRow("\\plain") << toggles << "G" << "12pt";

    const QByteArray fonts = R"({\rtf1\deff1{\fonttbl{\f0\fswiss Arial;}{\f1 Courier New;}}x\f0\fs36 y\plain z})";
    QTest::newRow("default font") << fonts << "x" << "12pt Courier New";
    QTest::newRow("\\f and \\fs") << fonts << "y" << "18pt Arial";
    QTest::newRow("\\plain back to the default font") << fonts << "z" << "12pt Courier New";

    const QByteArray colours = R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}\cf1\cb2 x\cf0 y\highlight1 z})";
    QTest::newRow("\\cf \\cb") << colours << "x" << "12pt #ff0000 on #0000ff";
    QTest::newRow("\\cf0 is automatic") << colours << "y" << "12pt on #0000ff";
    QTest::newRow("\\highlight") << colours << "z" << "12pt on #ff0000";

    QTest::newRow("\\caps") << QByteArray(R"({\rtf1{\caps x}})") << "x" << "caps 12pt";
    QTest::newRow("hyperlink field")
        << QByteArray(R"({\rtf1{\field{\*\fldinst{HYPERLINK "http://example.org/a"}}{\fldrslt{\ul link}}}})")
        << "link" << "u 12pt link http://example.org/a";
}

void TestRtfReader::characterFormat()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, target);
    QFETCH(QString, format);

    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(rtf, document));
    QVERIFY2(document.toPlainText().contains(target), qPrintable(document.toPlainText()));
    QCOMPARE(describe(formatOf(document, target)), format);
}

void TestRtfReader::paragraphFormat_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QStringList>("blocks");

    QTest::newRow("alignments") << QByteArray(R"({\rtf1\qc a\par\qr b\par\qj c\par\ql d})")
                                << QStringList{"center", "right", "justify", "left"};
    QTest::newRow("properties carry over \\par")
        << QByteArray(R"({\rtf1\qc\li720 a\par b})")
        << QStringList{"center left 48", "center left 48"};
    QTest::newRow("\\pard resets")
        << QByteArray(R"({\rtf1\qc\li720\sb240 a\par\pard b})")
        << QStringList{"center left 48 before 16", "left"};
    QTest::newRow("hanging indent")
        << QByteArray(R"({\rtf1\li720\ri360\fi-360 a})")
        << QStringList{"left left 48 right 24 indent -24"};
    QTest::newRow("spacing") << QByteArray(R"({\rtf1\sb240\sa120 a})")
                             << QStringList{"left before 16 after 8"};
    QTest::newRow("line spacing")
        << QByteArray(R"({\rtf1\sl360\slmult1 a\par\pard\sl-300 b\par\pard\sl300 c})")
        << QStringList{"left line 150%", "left line exactly 20", "left line at least 20"};
    QTest::newRow("\\page") << QByteArray(R"({\rtf1 a\page b})")
                            << QStringList{"left", "left new page"};
    QTest::newRow("paragraph properties of a group end with it")
        << QByteArray(R"({\rtf1{\qc a\par}b})") << QStringList{"center", "left"};
}

void TestRtfReader::paragraphFormat()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QStringList, blocks);

    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(rtf, document));
    QStringList found;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        found << describe(block.blockFormat());
    QCOMPARE(found, blocks);
}

void TestRtfReader::pardKeepsCharacterFormat()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(QByteArray(R"({\rtf1\qc\b\fs32 one\par\pard two\plain\par three})"), document));
    QCOMPARE(document.blockCount(), 3);
    QCOMPARE(describe(formatOf(document, "two")), QStringLiteral("b 16pt"));
    QCOMPARE(describe(document.findBlockByNumber(1).blockFormat()), QStringLiteral("left"));
    QCOMPARE(describe(formatOf(document, "three")), QStringLiteral("12pt"));
}

void TestRtfReader::lineTabAndFinalParagraph()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(QByteArray(R"({\rtf1 a\line b\tab c\~d\_e\-f\par})"), document));
    QCOMPARE(document.blockCount(), 1); // \line breaks the line, not the paragraph
    // The last \par adds nothing; \- is a hyphen shown only where a line breaks.
    QCOMPARE(document.toRawText(), QStringLiteral("a\u2028b\tc\u00A0d\u2011ef"));
    QCOMPARE(plainText(R"({\rtf1 a\par\par})"), QStringLiteral("a\n"));
}

void TestRtfReader::readsTables()
{
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(QByteArray(R"({\rtf1 before\par
\trowd\clbrdrt\brdrs\cellx1500\cellx3000\pard\intbl A\cell B\par B2\cell\row
\trowd\cellx1500\cellx3000\pard\intbl C\cell D\cell\row
\pard after\par})"), document));

    QTextTable* table = nullptr;
    for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto* found = qobject_cast<QTextTable*>(it.currentFrame()))
            table = found;
    }
    QVERIFY(table);
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 2);
    const auto cellText = [&](int row, int column) {
        QTextCursor cursor = table->cellAt(row, column).firstCursorPosition();
        cursor.setPosition(table->cellAt(row, column).lastPosition(), QTextCursor::KeepAnchor);
        return cursor.selection().toPlainText();
    };
    QCOMPARE(cellText(0, 0), QStringLiteral("A"));
    QCOMPARE(cellText(0, 1), QStringLiteral("B\nB2"));
    QCOMPARE(cellText(1, 0), QStringLiteral("C"));
    QCOMPARE(cellText(1, 1), QStringLiteral("D"));
    // 1500 twips of 3000: half the table, which takes 3000/9360 of the box's width.
    QCOMPARE(table->format().columnWidthConstraints().value(0).rawValue(), 50.0);
    QCOMPARE(table->format().width().type(), QTextLength::PercentageLength);
    QVERIFY(qAbs(table->format().width().rawValue() - 100.0 * 3000 / 9360) < 0.01);
    QCOMPARE(table->format().border(), 1.0);
    QCOMPARE(document.lastBlock().text(), QStringLiteral("after"));
    QCOMPARE(document.toPlainText().simplified(), QStringLiteral("before A B B2 C D after"));
}

void TestRtfReader::readsLists_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<int>("style");

    QTest::newRow("bullets")
        << QByteArray(R"({\rtf1{\listtext\'b7\tab}\pard\ls1 one\par{\listtext\'b7\tab}\ls1 two\par\pard after})")
        << int(QTextListFormat::ListDisc);
    QTest::newRow("numbers")
        << QByteArray(R"({\rtf1{\listtext 1.\tab}\pard\ls2 one\par{\listtext 2.\tab}\ls2 two\par\pard after})")
        << int(QTextListFormat::ListDecimal);
    QTest::newRow("letters")
        << QByteArray(R"({\rtf1{\listtext a)\tab}\pard\ls2 one\par{\listtext b)\tab}\ls2 two\par\pard after})")
        << int(QTextListFormat::ListLowerAlpha);
    QTest::newRow("old-style numbers")
        << QByteArray(R"({\rtf1{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}one\par{\pntext 2.\tab}{\*\pn\pnlvlbody\pndec}two\par\pard after})")
        << int(QTextListFormat::ListDecimal);
}

void TestRtfReader::readsLists()
{
    QFETCH(QByteArray, rtf);
    QFETCH(int, style);

    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(rtf, document));
    // The numbers are the list's own; they are not part of the text.
    QCOMPARE(document.toPlainText(), QStringLiteral("one\ntwo\nafter"));
    QTextList* list = document.begin().textList();
    QVERIFY(list);
    QCOMPARE(list->count(), 2);
    QCOMPARE(int(list->format().style()), style);
    QCOMPARE(document.begin().next().textList(), list);
    QVERIFY(!document.lastBlock().textList());
}

void TestRtfReader::showsPngAndJpegOnly()
{
    QImage photo(8, 6, QImage::Format_RGB32);
    photo.fill(Qt::blue);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    photo.save(&buffer, "JPEG");

    QByteArray png;
    QBuffer pngBuffer(&png);
    pngBuffer.open(QIODevice::WriteOnly);
    QImage(4, 3, QImage::Format_RGB32).save(&pngBuffer, "PNG");

    const QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip\\picwgoal600\\pichgoal450 " + pngHex(QSize(4, 3))
        + "}b{\\pict\\jpegblip\\picscalex200\\picscaley50 " + jpeg.toHex()
        + "}c{\\pict\\wmetafile8 0100090000}d{\\pict\\pngblip\\bin"
        + QByteArray::number(png.size()) + " " + png + "}e}";
    QTextDocument document;
    RtfReader reader;
    QVERIFY(reader.read(rtf, document));
    QCOMPARE(document.toPlainText(),
        QStringLiteral("a\uFFFCb\uFFFCcd\uFFFCe")); // the metafile is left out

    const QList<QTextImageFormat> shown = images(document);
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[0].width(), 40.0); // 600 twips
    QCOMPARE(shown[0].height(), 30.0);
    QCOMPARE(shown[1].width(), 16.0); // natural size, scaled
    QCOMPARE(shown[1].height(), 3.0);
    const QImage stored = document.resource(QTextDocument::ImageResource, QUrl(shown[2].name())).value<QImage>();
    QCOMPARE(stored.size(), QSize(4, 3)); // \bin data read by its length, braces and all
}

void TestRtfReader::recoversDamagedInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("unclosed groups") << QByteArray(R"({\rtf1 abc{\b def)") << QStringLiteral("abcdef");
    QTest::newRow("text after the document") << QByteArray(R"({\rtf1 abc}def)") << QStringLiteral("abc");
    QTest::newRow("extra closing braces") << QByteArray(R"({\rtf1 a}}}})") << QStringLiteral("a");
    QTest::newRow("damaged hex escape") << QByteArray(R"({\rtf1 a\'zzb})") << QStringLiteral("azzb");
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("\\bin longer than the file") << QByteArray("{\\rtf1 a\\bin999999 xyz")
                                                << QStringLiteral("a");
    QTest::newRow("\\bin data skipped by length") << QByteArray("{\\rtf1 a\\bin3 }}}b}")
                                                  << QStringLiteral("ab");
    QTest::newRow("\\u out of range") << QByteArray(R"({\rtf1\u99999 xy})") << QStringLiteral("\uFFFDy");
    QTest::newRow("lone surrogate") << QByteArray(R"({\rtf1\u-10179?x})") << QStringLiteral("\uFFFDx");
    QTest::newRow("control bytes") << QByteArray("{\\rtf1 a\x01\x00\x1f" "b}", 13) << QStringLiteral("ab");
    QTest::newRow("huge parameter") << QByteArray(R"({\rtf1\fs999999999999999999999 x\li-99999999999999 y})")
                                    << QStringLiteral("xy");
    QTest::newRow("very long control word")
        << QByteArray("{\\rtf1\\" + QByteArray(10000, 'a') + " x}") << QStringLiteral("x");
    QTest::newRow("\\* outside any group") << QByteArray(R"({\rtf1\*\foo x})") << QStringLiteral("x");
    QTest::newRow("destination outside any group") << QByteArray(R"({\rtf1\info x})")
                                                   << QStringLiteral("x");
    QTest::newRow("unknown and skipped destinations")
        << QByteArray(R"({\rtf1{\*\unknown a}{\info{\title b}}{\stylesheet{\s0 c;}}{\header d}f})")
        << QStringLiteral("f");
    QTest::newRow("field shows its result") << QByteArray(R"({\rtf1{\field{\*\fldinst PAGE}{\fldrslt 7}}})")
                                            << QStringLiteral("7");
    QTest::newRow("hidden text") << QByteArray(R"({\rtf1 a{\v b}c})") << QStringLiteral("ac");
    QTest::newRow("\\cell and \\row without a table") << QByteArray(R"({\rtf1 a\cell b\row c})")
                                                      << QStringLiteral("a\nb\nc");
    QTest::newRow("list item closing a cell at the end")
        << QByteArray(R"({\rtf1\trowd\cellx100{\listtext\'b7}\pard\intbl\ls1 x\cell)")
        << QStringLiteral("\nx\n");
}

void TestRtfReader::recoversDamagedInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(plainText(rtf), text);
}

void TestRtfReader::refusesTextWithoutHeader()
{
    for (const QByteArray& data : {QByteArray("hello"), QByteArray(), QByteArray("/{\\rtf1 x}"),
             QByteArray("{\\rt")}) {
        QTextDocument document;
        document.setPlainText(QStringLiteral("old"));
        RtfReader reader;
        QVERIFY(!reader.read(data, document));
        QVERIFY(reader.errorString().contains(QStringLiteral("{\\rtf")));
        QVERIFY(document.isEmpty());
    }
    QCOMPARE(plainText("\xEF\xBB\xBF \r\n{\\rtf1 x}"), QStringLiteral("x"));

    RtfReader reader;
    QTextDocument document;
    QVERIFY(!reader.readFile(QStringLiteral("/nonexistent/card.rtf"), document));
    QVERIFY(reader.errorString().contains(QStringLiteral("/nonexistent/card.rtf")));
}

void TestRtfReader::boundsLargeStructures()
{
    // Groups beyond the depth bound are dropped; shallower ones are read.
    const int deep = RtfReader::MaxGroupDepth * 4;
    QCOMPARE(plainText("{\\rtf1 a" + QByteArray(deep, '{') + "x" + QByteArray(deep, '}') + "b}"),
        QStringLiteral("ab"));
    const int shallow = RtfReader::MaxGroupDepth / 2;
    QCOMPARE(plainText("{\\rtf1 a" + QByteArray(shallow, '{') + "x" + QByteArray(shallow, '}') + "b}"),
        QStringLiteral("axb"));

    // More cells than a table may hold still show all their text.
    QByteArray cells = "{\\rtf1\\trowd";
    for (int i = 0; i < 100; ++i)
        cells += "\\cellx" + QByteArray::number((i + 1) * 100);
    for (int i = 0; i < 100; ++i)
        cells += "\\intbl c" + QByteArray::number(i) + "\\cell";
    cells += "\\row}";
    const QString wide = plainText(cells);
    QVERIFY(wide.contains(QStringLiteral("c0")));
    QVERIFY(wide.contains(QStringLiteral("c99")));

    QByteArray rows = "{\\rtf1\\trowd\\cellx100\\cellx200";
    for (int i = 0; i < 15000; ++i)
        rows += "\\intbl r\\cell s\\cell\\row";
    rows += "}";
    QCOMPARE(plainText(rows).count(u'r'), 15000);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
