#include "IntonationView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

IntonationView::IntonationView(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("intonation"));
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(250, 250, 244));
    setPalette(p);
}

void IntonationView::setUtterances(Intonation model, Intonation take)
{
    m_model = std::move(model);
    m_take = std::move(take);
    m_lead = std::max(m_model.onsetSeconds, m_take.onsetSeconds);
    m_span = std::max({ m_model.seconds() - m_model.onsetSeconds, m_take.seconds() - m_take.onsetSeconds, 0.1 }) + m_lead;
    // One pitch scale for both lanes, from what both voices reach.
    std::vector<float> voiced;
    for (const Intonation* i : { &m_model, &m_take })
        std::copy_if(i->pitchHz.cbegin(), i->pitchHz.cend(), std::back_inserter(voiced), [](float hz) { return hz > 0; });
    if (voiced.empty()) {
        m_lowHz = 80;
        m_highHz = 400;
    } else {
        const auto [low, high] = std::minmax_element(voiced.cbegin(), voiced.cend());
        m_lowHz = std::max(Intonation::LowestHz, *low / 1.25f);
        m_highHz = std::min(Intonation::HighestHz, *high * 1.25f);
    }
    update();
}

double IntonationView::xOf(const Intonation& intonation, double seconds, const QRectF& lane) const
{
    return lane.left() + (seconds - intonation.onsetSeconds + m_lead) / m_span * lane.width();
}

QPolygonF IntonationView::contour(const Intonation& intonation, const QRectF& lane) const
{
    QPolygonF points;
    const double logLow = std::log(double(m_lowHz));
    const double logRange = std::max(1e-6, std::log(double(m_highHz)) - logLow);
    bool inLine = false;
    for (size_t h = 0; h < intonation.pitchHz.size(); ++h) {
        const float hz = intonation.pitchHz[h];
        if (hz <= 0) {
            if (inLine)
                points << QPointF(-1, -1);
            inLine = false;
            continue;
        }
        // The middle of the analysis window is where this pitch was heard.
        const double t = (double(h) * Intonation::Hop + Intonation::Window / 2.0) / intonation.sampleRate;
        const double level = std::clamp((std::log(double(hz)) - logLow) / logRange, 0.0, 1.0);
        points << QPointF(xOf(intonation, t, lane), lane.bottom() - level * lane.height());
        inLine = true;
    }
    return points;
}

void IntonationView::drawLane(QPainter& painter, const QRectF& lane, const Intonation& intonation, const QString& title, const QColor& colour) const
{
    painter.setPen(QColor(200, 200, 190));
    painter.drawRect(lane);
    if (!intonation.isEmpty()) {
        // The waveform: the lowest and highest sample under each column.
        const double middle = lane.center().y();
        const double half = lane.height() / 2 - 1;
        const int left = int(std::floor(lane.left()));
        const int right = int(std::ceil(lane.right()));
        const double samplesPerPixel = m_span * intonation.sampleRate / lane.width();
        const double firstSample = (intonation.onsetSeconds - m_lead) * intonation.sampleRate;
        painter.setPen(colour.lighter(170));
        const auto count = qint64(intonation.samples.size());
        for (int x = left; x < right; ++x) {
            const qint64 from = std::max<qint64>(0, qint64(firstSample + (x - lane.left()) * samplesPerPixel));
            const qint64 to = std::min<qint64>(count, qint64(firstSample + (x + 1 - lane.left()) * samplesPerPixel));
            if (from >= to)
                continue;
            const auto [low, high] = std::minmax_element(intonation.samples.data() + from, intonation.samples.data() + to);
            painter.drawLine(QPointF(x, middle - *high * half), QPointF(x, middle - *low * half));
        }
        // The contour over it, a line per voiced stretch.
        painter.setPen(QPen(colour.darker(130), 2));
        QPolygonF line;
        const QPolygonF points = contour(intonation, lane);
        for (const QPointF& p : points) {
            if (p.x() < 0) {
                painter.drawPolyline(line);
                line.clear();
            } else {
                line << p;
            }
        }
        painter.drawPolyline(line);
    }
    painter.setPen(Qt::black);
    painter.drawText(lane.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignTop, title);
}

void IntonationView::draw(QPainter& painter, const QRect& rect) const
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRectF area = QRectF(rect).adjusted(4, 4, -4, -4);
    const double laneHeight = (area.height() - 4) / 2;
    drawLane(painter, QRectF(area.left(), area.top(), area.width(), laneHeight), m_model, QStringLiteral("Modelo"), QColor(40, 90, 200));
    drawLane(painter, QRectF(area.left(), area.top() + laneHeight + 4, area.width(), laneHeight), m_take, QStringLiteral("Tu voz"),
        QColor(200, 60, 40));
    // Where speech starts in both.
    painter.setPen(QPen(QColor(120, 120, 120), 1, Qt::DashLine));
    const double x = area.left() + m_lead / m_span * area.width();
    painter.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
}

void IntonationView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    draw(painter, rect());
}

void IntonationView::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    hide();
}
