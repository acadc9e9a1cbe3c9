#pragma once

#include <QPalette>

class QFont;
class QLabel;
class QRect;
class QTextEdit;
class QWidget;
class Recordset;

/// How the conversation screen's own rows dress its controls: the row's font, rectangle,
/// font colour and nine-digit background colour.
namespace ConversationRows {

QFont font(const Recordset& row);
QRect geometry(const Recordset& row);
/// A font colour is a colour number (red in the low byte); 0 keeps the control's own.
void applyFontColour(QWidget& control, const Recordset& row, QPalette::ColorRole role);
/// The background colour of `bitmapactivo`, when the row gives one.
void applyBackground(QWidget& control, const Recordset& row, QPalette::ColorRole role);

/// The lesson's title `lbltit` on STAGE as ROW places it.
QLabel* title(QWidget& stage, const Recordset& row);
/// A subtitle box on STAGE, named NAME, as ROW places and colours it.
QTextEdit* subtitleBox(QWidget& stage, const Recordset& row, const QString& name);

} // namespace ConversationRows
