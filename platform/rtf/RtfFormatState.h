#pragma once

#include <QString>
#include <QTextListFormat>
#include <Qt>

/// Character properties of an RTF group, in the document's own units.
struct RtfCharacterState {
    enum class Script { Normal, Super, Sub };

    int font = -1; ///< font table number; -1 means the document's default font
    int fontSize = 24; ///< half-points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    bool hidden = false;
    bool caps = false;
    bool smallCaps = false;
    int foreground = 0; ///< colour table index; 0 is the automatic colour
    int background = 0; ///< colour table index; 0 is none
    Script script = Script::Normal;
    QString anchorHref; ///< target of the hyperlink field the text belongs to

    bool operator==(const RtfCharacterState&) const = default;
};

/// Paragraph properties of an RTF group; lengths in twips.
struct RtfParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0; ///< \sl: > 0 at least, < 0 exactly, 0 single
    bool lineSpacingMultiple = false; ///< \slmult1: lineSpacing is in 240ths of a line
    bool inTable = false;
    int tableLevel = 0; ///< \itap: 1 in a table, 2 in a table inside a table cell, ...
    int list = 0; ///< \ls number, -1 for an old-style (\pn) list, 0 for none
    int listLevel = 0;
    QTextListFormat::Style oldListStyle = QTextListFormat::ListDisc; ///< from \pn words
};
