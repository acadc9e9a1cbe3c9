#pragma once

#include "PointerEvents.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <functional>

/// What a player under test shows on its X display, as the learner sees it: grabs of the
/// whole display and the pixels of the stage's rectangles in them (end-to-end tests).
namespace DisplayGrab {

/// The display as the X server shows it, kept in the temporary folder as NAME so that it
/// can be looked at when a test fails.
QImage grab(const QString& name);
/// Waits until DONE, asked again and again for up to TIMEOUT_MS of the clock (a grab of
/// the display takes a good part of a second: QTRY counts its steps, not the time).
bool waitFor(const std::function<bool()>& done, int timeoutMs);
/// Whether PIXEL is COLOUR, each channel within TOLERANCE.
bool near(QRgb pixel, const QColor& colour, int tolerance);
/// The display pixels that show stage rectangle AREA.
QRect onDisplay(const PointerEvents::StageOnDisplay& stage, const QRect& area);
/// How many of DISPLAY's pixels within stage rectangle AREA are COLOUR.
int count(const PointerEvents::StageOnDisplay& stage, const QImage& display, const QRect& area, const QColor& colour, int tolerance);

} // namespace DisplayGrab
