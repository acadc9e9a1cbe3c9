#include "StudyStrip.h"

#include "OwnVideos.h"
#include "StudyAids.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <optional>

namespace {
constexpr int ButtonWidth = 44;
constexpr int ButtonHeight = 18;
constexpr int Gap = 2;
constexpr int Padding = 3;
constexpr int Step = 4;
}

StudyStrip::StudyStrip(StudyAids& aids, QWidget* parent)
    : QWidget(parent)
    , m_aids(aids)
    , m_items(makeItems())
{
    setObjectName(QStringLiteral("studyStrip"));
    setFont(QFont(QStringLiteral("DejaVu Sans"), 7));
    setMouseTracking(true);
    resize(sizeHint());
    connect(&m_aids, &StudyAids::changed, this, qOverload<>(&QWidget::update));
}

std::vector<StudyStrip::Item> StudyStrip::makeItems()
{
    return {
        { StudyAids::PauseAfterPhrase, QStringLiteral("Frase a frase"), QStringLiteral("Pausa tras cada frase (P)") },
        { StudyAids::GoOn, QStringLiteral("Seguir"), QStringLiteral("Seguir tras la pausa (Intro)") },
        { StudyAids::LoopPhrase, QStringLiteral("Bucle"), QStringLiteral("Repetir la frase en bucle (B)") },
        { StudyAids::LoopCount, QString(), QStringLiteral("Veces del bucle (N)") },
        { StudyAids::SlowThreeQuarters, QStringLiteral("0,75×"), QStringLiteral("La frase despacio (7)") },
        { StudyAids::SlowHalf, QStringLiteral("0,5×"), QStringLiteral("La frase muy despacio (5)") },
        { StudyAids::Shadow, QStringLiteral("Eco"), QStringLiteral("Modelo, tu voz, tu grabación, modelo (H)") },
        { StudyAids::CompareIntonation, QStringLiteral("Entonac."), QStringLiteral("Tu entonación y la del modelo (O)") },
        { OwnVideos::AddVideoAction, QStringLiteral("Añadir un vídeo…"), QStringLiteral("Añadir un vídeo tuyo a Mis vídeos (A)") },
        { KeysAction, QStringLiteral("Teclas"), QStringLiteral("Las teclas de esta pantalla (?)") },
    };
}

std::vector<int> StudyStrip::allActions()
{
    std::vector<int> codes;
    for (const Item& item : makeItems())
        codes.push_back(item.accion);
    return codes;
}

QSize StudyStrip::sizeHint() const
{
    const int count = int(shown().size());
    return { count ? buttonRect(count - 1).right() + 1 : 0, ButtonHeight };
}

std::vector<StudyStrip::Item> StudyStrip::shown() const
{
    if (m_shape == Shape::Whole)
        return m_items;
    Item hint = m_items.back();
    hint.label = QStringLiteral("? Teclas");
    return { hint };
}

void StudyStrip::setShape(Shape shape)
{
    m_shape = shape;
    resize(sizeHint());
    update();
}

QRect StudyStrip::buttonRect(int index) const
{
    // A button is as wide as its caption needs, at least ButtonWidth.
    const std::vector<Item> items = shown();
    const QFontMetrics metrics(font());
    const auto widthOf = [&](int i) { return std::max(ButtonWidth, metrics.horizontalAdvance(items[size_t(i)].label) + 2 * Padding); };
    int x = 0;
    for (int i = 0; i < index && i < int(items.size()); ++i)
        x += widthOf(i) + Gap;
    return { x, 0, index < int(items.size()) ? widthOf(index) : ButtonWidth, ButtonHeight };
}

std::vector<int> StudyStrip::actions() const
{
    std::vector<int> codes;
    for (const Item& item : shown())
        codes.push_back(item.accion);
    return codes;
}

QString StudyStrip::labelOf(const Item& item) const
{
    if (item.accion == StudyAids::LoopCount)
        return m_aids.loopCount() == 0 ? QStringLiteral("×∞") : QStringLiteral("×%1").arg(m_aids.loopCount());
    return item.label;
}

bool StudyStrip::isLit(const Item& item) const
{
    switch (item.accion) {
    case StudyAids::PauseAfterPhrase: return m_aids.pauseAfterPhrase();
    case StudyAids::GoOn: return m_aids.isWaiting();
    case StudyAids::LoopPhrase: return m_aids.isLooping();
    case StudyAids::Shadow: return m_aids.shadowing().isActive();
    default: return false;
    }
}

void StudyStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const std::vector<Item> items = shown();
    for (size_t i = 0; i < items.size(); ++i) {
        const QRect r = buttonRect(int(i)).adjusted(0, 0, -1, -1);
        const bool lit = isLit(items[i]);
        painter.setPen(QColor(40, 40, 40));
        painter.setBrush(lit ? QColor(255, 210, 90) : QColor(235, 235, 225, 230));
        painter.drawRoundedRect(r, 3, 3);
        painter.setPen(Qt::black);
        painter.drawText(r, Qt::AlignCenter, labelOf(items[i]));
    }
}

void StudyStrip::mousePressEvent(QMouseEvent* event)
{
    const std::vector<Item> items = shown();
    for (size_t i = 0; i < items.size(); ++i) {
        if (buttonRect(int(i)).contains(event->position().toPoint())) {
            setToolTip(items[i].tip);
            emit actionClicked(items[i].accion);
            return;
        }
    }
}

std::optional<QPoint> StudyStrip::placeFor(const QSize& size, const QSize& stage, const std::vector<QRect>& mustAvoid, const std::vector<QRect>& shouldAvoid)
{
    const auto clear = [&](const QRect& r, const std::vector<QRect>& avoid) {
        return std::none_of(avoid.cbegin(), avoid.cend(), [&](const QRect& a) { return a.intersects(r); });
    };
    std::optional<QPoint> fallback;
    for (int y = 0; y + size.height() <= stage.height(); y += Step) {
        for (int x = 0; x + size.width() <= stage.width(); x += Step) {
            const QRect r(QPoint(x, y), size);
            if (!clear(r, mustAvoid))
                continue;
            if (clear(r, shouldAvoid))
                return r.topLeft();
            if (!fallback)
                fallback = r.topLeft();
        }
    }
    return fallback;
}
