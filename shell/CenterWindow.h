#pragma once

class QPoint;
class QSize;
class QWidget;

/// Rounds to the nearest whole number, halves to the even one.
int roundHalfEven(double value);

/// Where an area of size AREA lies when centred on a display of size DISPLAY.
QPoint centredOnDisplay(const QSize& display, const QSize& area);

/// Centres AREA on its display: left = (display width - area width) / 2 and
/// top = (display height - area height) / 2, each rounded halves-to-even. The area is
/// hidden while it moves so that the move is not seen, then shown. An area on a screen
/// is placed on the stage where it shows centred on the display.
void CenterWindow(QWidget& area);
