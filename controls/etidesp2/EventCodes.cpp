#include "EventCodes.h"

#include "Cp1252.h"
#include "Twips.h"

#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Keys whose virtual-key code is not simply their letter or digit. The punctuation
// codes are those of the US layout, which is what the codes mean on any layout.
constexpr std::array<std::pair<int, qint16>, 43> NamedKeys{{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9}, {Qt::Key_Backtab, 9}, {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13}, {Qt::Key_Enter, 13}, {Qt::Key_Shift, 16}, {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18}, {Qt::Key_Pause, 19}, {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32}, {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36}, {Qt::Key_Left, 37}, {Qt::Key_Up, 38}, {Qt::Key_Right, 39},
    {Qt::Key_Down, 40}, {Qt::Key_Print, 42}, {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},
    {Qt::Key_Help, 47}, {Qt::Key_Meta, 91}, {Qt::Key_Menu, 93}, {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145}, {Qt::Key_Semicolon, 186}, {Qt::Key_Equal, 187}, {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188}, {Qt::Key_Minus, 189}, {Qt::Key_Period, 190}, {Qt::Key_Slash, 191},
    {Qt::Key_QuoteLeft, 192}, {Qt::Key_BracketLeft, 219}, {Qt::Key_Backslash, 220},
    {Qt::Key_BracketRight, 221}, {Qt::Key_Apostrophe, 222}, {Qt::Key_Less, 226}, {Qt::Key_Greater, 226},
}};

constexpr qint16 FirstFunctionKeyCode = 112; // F1; F1..F24 are consecutive on both sides
constexpr int FunctionKeyCount = 24;

}

namespace EventCodes {

qint16 keyCode(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return qint16(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + FunctionKeyCount)
        return qint16(FirstFunctionKeyCode + (qtKey - Qt::Key_F1));
    const auto it = std::find_if(NamedKeys.begin(), NamedKeys.end(), [qtKey](const auto& k) { return k.first == qtKey; });
    return it == NamedKeys.end() ? 0 : it->second;
}

int qtKey(qint16 keyCode)
{
    if ((keyCode >= 'A' && keyCode <= 'Z') || (keyCode >= '0' && keyCode <= '9'))
        return keyCode;
    if (keyCode >= FirstFunctionKeyCode && keyCode < FirstFunctionKeyCode + FunctionKeyCount)
        return Qt::Key_F1 + (keyCode - FirstFunctionKeyCode);
    const auto it = std::find_if(NamedKeys.begin(), NamedKeys.end(), [keyCode](const auto& k) { return k.second == keyCode; });
    return it == NamedKeys.end() ? 0 : it->first;
}

qint16 shift(Qt::KeyboardModifiers modifiers)
{
    return qint16((modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
                  | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0));
}

Qt::KeyboardModifiers modifiers(qint16 shift)
{
    Qt::KeyboardModifiers result;
    result.setFlag(Qt::ShiftModifier, shift & 1);
    result.setFlag(Qt::ControlModifier, shift & 2);
    result.setFlag(Qt::AltModifier, shift & 4);
    return result;
}

qint16 button(Qt::MouseButtons buttons)
{
    return qint16((buttons.testFlag(Qt::LeftButton) ? 1 : 0) | (buttons.testFlag(Qt::RightButton) ? 2 : 0)
                  | (buttons.testFlag(Qt::MiddleButton) ? 4 : 0));
}

MouseArguments mouseArguments(const QMouseEvent& event, const QPaintDevice& device)
{
    return MouseArguments{
        button(event.button()),
        shift(event.modifiers()),
        float(event.position().x()) * Twips::perPixelX(device),
        float(event.position().y()) * Twips::perPixelY(device),
    };
}

qint16 characterCode(QChar c)
{
    const int byte = cp1252Byte(c.unicode());
    return qint16(byte < 0 ? '?' : byte);
}

QChar character(qint16 characterCode)
{
    if (characterCode >= 0 && characterCode <= 0xFF)
        return QChar(cp1252Char(static_cast<unsigned char>(characterCode)));
    return QChar(char16_t(quint16(characterCode)));
}

}
