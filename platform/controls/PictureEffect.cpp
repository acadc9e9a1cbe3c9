#include "PictureEffect.h"

#include "CourseError.h"
#include "PixelLabel.h"

#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QVariantAnimation>

#include <cmath>

namespace {

template <typename Paint>
QPixmap paintedOn(QPixmap frame, Paint paint)
{
    if (!frame.isNull()) {
        QPainter painter(&frame);
        setPictureScaling(painter);
        paint(painter);
    }
    return frame;
}

} // namespace

PictureEffect::PictureEffect(QWidget* parent)
    : QWidget(parent)
    , m_animation(new QVariantAnimation(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_progress = value.toDouble();
        update();
    });
    connect(m_animation, &QVariantAnimation::finished, this, [this] { complete(m_generation); });
}

PictureEffect::~PictureEffect() = default;

void PictureEffect::setPictureFile(const QString& file)
{
    finishEffect();
    m_pictureFile = file;
    QPixmap picture;
    const bool loaded = !file.isEmpty() && picture.load(file);
    m_picture = picture;
    update();
    if (!loaded)
        throw CourseError(QStringLiteral("The picture \"%1\" cannot be loaded").arg(file));
}

void PictureEffect::setPicture(const QPixmap& picture)
{
    // Taken before anything changes: a running effect is taken over from its current frame.
    m_from = m_effectStart == EffectStart::Colour ? blankFrame() : shownFrame();
    m_picture = picture;
    m_to = pictureFrame(picture);
    m_running = true;
    const int generation = ++m_generation;
    m_animation->stop();
    if (m_effect == Effect::Cut || m_duration == 0) {
        m_progress = 1.0;
        QTimer::singleShot(0, this, [this, generation] { complete(generation); });
    } else {
        m_progress = 0.0;
        m_animation->setDuration(m_duration);
        m_animation->start();
    }
    update();
}

void PictureEffect::setColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void PictureEffect::setPictureMode(PictureMode mode)
{
    m_pictureMode = mode;
    update();
}

void PictureEffect::finishEffect()
{
    if (m_running)
        complete(m_generation);
}

PictureEffect::Effect PictureEffect::effectForNumber(int number)
{
    switch (number) {
    case 0:
        return Effect::Cut;
    case 1:
        return Effect::Wipe;
    default:
        return Effect::Dissolve;
    }
}

int PictureEffect::durationForSpeed(int speed)
{
    return (11 - std::clamp(speed, 1, 10)) * 200;
}

bool PictureEffect::applyCourseSetting(int number, const QVariant& value)
{
    bool isNumber = false;
    const int n = value.toInt(&isNumber);
    const bool isFlag = value.canConvert<bool>();
    switch (number) {
    case 52:
    case 77:
        if (isNumber)
            setEffect(effectForNumber(n));
        return isNumber;
    case 6:
    case 8:
        if (isNumber)
            setEffectSteps(n);
        return isNumber;
    case 7:
    case 9:
        if (isNumber)
            setEffectDuration(durationForSpeed(n));
        return isNumber;
    case 62:
        if (isFlag)
            setEffectStart(value.toBool() ? EffectStart::Colour : EffectStart::ShownPicture);
        return isFlag;
    case 78:
    case 150:
        if (isFlag)
            setNotifyEnabled(value.toBool());
        return isFlag;
    case 5:
        if (isNumber)
            setPictureMode(n == 0 ? PictureMode::Stretched : PictureMode::Natural);
        return isNumber;
    case 75:
        if (value.metaType() == QMetaType::fromType<QColor>())
            setColour(value.value<QColor>());
        else if (isNumber) // the course's colour numbers: red + 256 × green + 65536 × blue
            setColour(QColor(n & 0xff, (n >> 8) & 0xff, (n >> 16) & 0xff));
        return isNumber || value.metaType() == QMetaType::fromType<QColor>();
    case 51:
        setPictureFile(value.toString());
        return true;
    case 4:
        if (value.metaType() == QMetaType::fromType<QPixmap>())
            setPicture(value.value<QPixmap>());
        else if (value.metaType() == QMetaType::fromType<QImage>())
            setPicture(QPixmap::fromImage(value.value<QImage>()));
        else
            return false;
        return true;
    case 89:
        return true; // nothing to prepare
    default:
        return false;
    }
}

void PictureEffect::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    setPictureScaling(painter);
    paintFrame(painter);
}

void PictureEffect::paintFrame(QPainter& painter) const
{
    if (!m_running) {
        painter.fillRect(rect(), m_colour);
        drawPicture(painter, m_picture);
        return;
    }
    const double t = m_steps > 0 ? std::floor(m_progress * m_steps) / m_steps : m_progress;
    painter.drawPixmap(0, 0, m_from);
    if (m_effect == Effect::Wipe)
        painter.setClipRect(QRect(0, 0, qRound(width() * t), height()));
    else
        painter.setOpacity(t);
    painter.drawPixmap(0, 0, m_to);
}

QPixmap PictureEffect::blankFrame() const
{
    if (size().isEmpty())
        return {}; // not placed yet: nothing to draw on
    const qreal ratio = devicePixelRatioF();
    QPixmap frame(size() * ratio);
    frame.setDevicePixelRatio(ratio);
    frame.fill(m_colour);
    return frame;
}

QPixmap PictureEffect::pictureFrame(const QPixmap& picture) const
{
    return paintedOn(blankFrame(), [&](QPainter& painter) { drawPicture(painter, picture); });
}

void PictureEffect::drawPicture(QPainter& painter, const QPixmap& picture) const
{
    if (m_pictureMode == PictureMode::Stretched)
        painter.drawPixmap(rect(), picture);
    else
        painter.drawPixmap(0, 0, picture);
}

QPixmap PictureEffect::shownFrame() const
{
    return paintedOn(blankFrame(), [this](QPainter& painter) { paintFrame(painter); });
}

void PictureEffect::complete(int generation)
{
    if (generation != m_generation || !m_running)
        return;
    m_animation->stop();
    m_running = false;
    m_progress = 1.0;
    m_from = QPixmap();
    m_to = QPixmap();
    update();
    if (m_notifyEnabled)
        emit notify();
}
