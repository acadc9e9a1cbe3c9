#pragma once

#include "RtfSymbolFont.h"

#include <QByteArrayView>
#include <QString>

#include <map>
#include <memory>

class QStringDecoder;

/// Turns the bytes of an RTF document into text by Windows code page number.
/// Windows-1252, the default of nearly every document, is decoded from a table of our own
/// so that results never depend on which converters the Qt build carries; other code pages
/// go through QStringDecoder, and one it cannot provide falls back to Windows-1252.
class RtfCodePage {
public:
    static constexpr int WindowsLatin1 = 1252;
    /// The code page Windows gives the Symbol font: Greek letters and mathematical signs
    /// in place of Latin ones.
    static constexpr int Symbol = 42;
    /// Numbers of our own, beyond any Windows code page, for the picture fonts.
    static constexpr int Wingdings = 0x1002A;
    static constexpr int ZapfDingbats = 0x2002A;

    RtfCodePage();
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    /// Decodes bytes written in code page codePage (a Windows code page number).
    QString decode(QByteArrayView bytes, int codePage);
    /// Decodes like decode() and appends the text to out.
    void decodeInto(QString& out, QByteArrayView bytes, int codePage);

    /// Decodes Windows-1252 bytes with the built-in table.
    static QString decodeWindows1252(QByteArrayView bytes);

    /// The symbol font whose codes codePage stands for; None for a code page of letters.
    static RtfSymbolFont::Font symbolFont(int codePage);
    /// The code page that stands for FONT; 0 for None.
    static int codePageOf(RtfSymbolFont::Font font);

    /// The code page of an \fcharset value, or 0 when the charset names none of its own
    /// (ANSI, default, symbol), meaning "the document's code page".
    static int codePageForCharset(int charset);

    /// Whether codePage is decoded by something better than the Windows-1252 fallback.
    bool isSupported(int codePage);

private:
    QStringDecoder* decoderFor(int codePage);

    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
};
