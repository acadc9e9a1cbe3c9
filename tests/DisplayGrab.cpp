#include "DisplayGrab.h"

#include "MediaRecipes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <cstdlib>

namespace DisplayGrab {

QImage grab(const QString& name)
{
    const QString file = QDir::temp().filePath(name);
    MediaRecipes::runTool(QStringLiteral("import"), { QStringLiteral("-window"), QStringLiteral("root"), file });
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

bool near(QRgb pixel, const QColor& colour, int tolerance)
{
    return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance
        && std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

QRect onDisplay(const PointerEvents::StageOnDisplay& stage, const QRect& area)
{
    return QRect(stage.origin + area.topLeft() * stage.factor, area.size() * stage.factor);
}

int count(const PointerEvents::StageOnDisplay& stage, const QImage& display, const QRect& area, const QColor& colour, int tolerance)
{
    const QRect pixels = onDisplay(stage, area) & display.rect();
    int found = 0;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(display.constScanLine(y));
        for (int x = pixels.left(); x <= pixels.right(); ++x)
            found += near(line[x], colour, tolerance) ? 1 : 0;
    }
    return found;
}

} // namespace DisplayGrab
