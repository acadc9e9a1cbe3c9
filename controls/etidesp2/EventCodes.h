#pragma once

#include <QChar>
#include <Qt>

class QMouseEvent;
class QPaintDevice;

/// The numbers the control's events carry: virtual-key codes, the Shift mask
/// (1 Shift, 2 Ctrl, 4 Alt) and the Button mask (1 left, 2 right, 4 middle), translated
/// to and from Qt's own values.
namespace EventCodes {

/// The virtual-key code of a Qt key; 0 for a key that has none.
qint16 keyCode(int qtKey);
/// The Qt key of a virtual-key code; 0 for a code that has none.
int qtKey(qint16 keyCode);

qint16 shift(Qt::KeyboardModifiers modifiers);
Qt::KeyboardModifiers modifiers(qint16 shift);

qint16 button(Qt::MouseButtons buttons);

/// The arguments of a mouse event: the button that changed, the Shift mask, and the
/// position in twips of device.
struct MouseArguments {
    qint16 Button = 0;
    qint16 Shift = 0;
    float X = 0;
    float Y = 0;
};
MouseArguments mouseArguments(const QMouseEvent& event, const QPaintDevice& device);

/// The ANSI code of c that KeyAscii carries: its Windows-1252 byte (€ is 128), or 63
/// ('?') for a character the code page lacks, as the system's conversion gives it.
qint16 characterCode(QChar c);
/// The character of an ANSI code: 0..255 through Windows-1252; a code beyond that is
/// taken as the UTF-16 unit it names.
QChar character(qint16 characterCode);

}
