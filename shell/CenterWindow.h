#pragma once

class QWidget;

/// Rounds to the nearest whole number, halves to the even one.
int roundHalfEven(double value);

/// Centres AREA on its display: left = (display width - area width) / 2 and
/// top = (display height - area height) / 2, each rounded halves-to-even. The area is
/// hidden while it moves so that the move is not seen, then shown.
void CenterWindow(QWidget& area);
