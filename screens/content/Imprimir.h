#pragma once

#include <Qt>

class QWidget;
class RichTextBox;
struct ModuleState;

/// The text scroll strip of the card screens: a strip picture `barra` with a thumb
/// `cuadro` that the learner drags, kept in step with the first visible line of the
/// card's text box. Positions are in the strip's pixels; the state (`numlineas`,
/// `primeralinea`, `agarrecuadro`) is the program's, shared by both card screens.
/// A text of no lines, or a strip no taller than its thumb, keeps the thumb at the top.
namespace Imprimir {

/// Thumb pressed at Y (inside the thumb): remembers where it was taken.
void ThumbPressed(ModuleState& state, Qt::MouseButton button, double y);
/// Thumb dragged to Y (inside the thumb): moves it, never out of the strip.
void ThumbDragged(ModuleState& state, QWidget& cuadro, const QWidget& barra, Qt::MouseButton button, double y);
/// Thumb released: scrolls the text to the line the thumb stands for.
void TextToThumb(ModuleState& state, RichTextBox& rtf, const QWidget& barra, const QWidget& cuadro);
/// The text has scrolled: moves the thumb to match its first visible line.
void SyncThumbToText(ModuleState& state, const RichTextBox& rtf, QWidget& cuadro, const QWidget& barra);

} // namespace Imprimir
