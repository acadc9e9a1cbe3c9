#include "Imprimir.h"

#include "ModuleState.h"
#include "RichTextBox.h"

#include <QWidget>
#include <cmath>

namespace {

/// How far the thumb can travel; 0 when it cannot.
int travel(const QWidget& barra, const QWidget& cuadro)
{
    return qMax(0, barra.contentsRect().height() - cuadro.height());
}

} // namespace

namespace Imprimir {

void ThumbPressed(ModuleState& state, Qt::MouseButton button, double y)
{
    if (button == Qt::LeftButton)
        state.agarrecuadro = qint16(std::lround(y));
}

void ThumbDragged(ModuleState& state, QWidget& cuadro, const QWidget& barra, Qt::MouseButton button, double y)
{
    if (button != Qt::LeftButton)
        return;
    int top = int(std::lround(y - state.agarrecuadro + cuadro.y()));
    if (top <= 0)
        top = 0;
    if (top + cuadro.height() >= barra.contentsRect().height())
        top = travel(barra, cuadro);
    cuadro.move(cuadro.x(), top);
}

void TextToThumb(ModuleState& state, RichTextBox& rtf, const QWidget& barra, const QWidget& cuadro)
{
    state.primeralinea = rtf.firstVisibleLine();
    const int room = travel(barra, cuadro);
    if (room == 0)
        return; // the thumb stands for nothing it could move over
    const auto target = int(std::lround(double(state.numlineas) / room * cuadro.y()));
    rtf.scrollLines(target - state.primeralinea);
}

void SyncThumbToText(ModuleState& state, const RichTextBox& rtf, QWidget& cuadro, const QWidget& barra)
{
    state.primeralinea = rtf.firstVisibleLine();
    if (state.numlineas <= 0) {
        cuadro.move(cuadro.x(), 0);
        return;
    }
    const double top = double(travel(barra, cuadro)) / state.numlineas * state.primeralinea;
    cuadro.move(cuadro.x(), int(std::lround(top)));
}

} // namespace Imprimir
