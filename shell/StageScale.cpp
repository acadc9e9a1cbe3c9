#include "StageScale.h"

#include "ScreenHost.h"
#include "X11Display.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <vector>

namespace {

constexpr int LargestFactor = 16;

// The display's size from the X server itself when Qt is going to use it.
std::optional<QSize> displayWithoutQt(int argc, char** argv)
{
    if (!X11Display::chosenByQt(argc, argv))
        return std::nullopt;
    const QByteArray display = X11Display::displayName(argc, argv);
    return X11Display::primaryScreenSize(display.isEmpty() ? nullptr : display.constData());
}

} // namespace

std::optional<StageScale> StageScale::parse(const QString& text)
{
    if (text.compare(QLatin1String("fit"), Qt::CaseInsensitive) == 0)
        return StageScale(Mode::Fit, 1);
    bool ok = false;
    const int factor = text.toInt(&ok);
    if (!ok || factor < 1 || factor > LargestFactor)
        return std::nullopt;
    return StageScale(Mode::Fixed, factor);
}

double StageScale::factorFor(const QSize& display) const
{
    if (m_mode == Mode::Fixed)
        return m_factor;
    const double across = double(display.width()) / ScreenHost::StageWidth;
    const double down = double(display.height()) / ScreenHost::StageHeight;
    const double fits = std::min(across, down);
    // A display smaller than the stage still gets the stage at its own size, as before.
    if (m_mode == Mode::Fit)
        return std::max(1.0, fits);
    return std::clamp(int(fits), 1, LargestFactor);
}

double StageScale::applyBeforeApplication(int argc, char** argv) const
{
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    QSize display(ScreenHost::StageWidth, ScreenHost::StageHeight);
    if (needsDisplay()) {
        if (const std::optional<QSize> measured = displayWithoutQt(argc, argv)) {
            display = *measured;
        } else {
            // Any other platform is asked through Qt, by an application of its own for just
            // that. It takes Qt's own arguments out of what it is given: it gets a copy.
            std::vector<char*> arguments(argv, argv + argc);
            arguments.push_back(nullptr);
            int count = argc;
            QGuiApplication probe(count, arguments.data());
            if (const QScreen* screen = QGuiApplication::primaryScreen())
                display = screen->geometry().size();
        }
    }
    const double factor = factorFor(display);
    qputenv("QT_SCALE_FACTOR", QByteArray::number(factor, 'g', 6));
    return factor;
}
