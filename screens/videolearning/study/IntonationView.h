#pragma once

#include "Intonation.h"

#include <QWidget>

/// The model's phrase and the learner's take drawn one above the other, each as its
/// waveform with its pitch contour over it, aligned at the start of speech, so that the
/// learner sees where his voice rises and falls against the model's. A click closes it.
class IntonationView : public QWidget {
    Q_OBJECT

public:
    explicit IntonationView(QWidget* parent = nullptr);

    void setUtterances(Intonation model, Intonation take);
    const Intonation& model() const { return m_model; }
    const Intonation& take() const { return m_take; }

    /// Draws both lanes in RECT of PAINTER (what the widget paints).
    void draw(QPainter& painter, const QRect& rect) const;

    /// Where the contour of INTONATION lies in LANE: one point per voiced hop, as the
    /// drawing places it (x from the aligned start of speech, y by the pitch on a
    /// logarithmic scale, higher pitch higher up); a new line starts at each -1,-1.
    QPolygonF contour(const Intonation& intonation, const QRectF& lane) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void drawLane(QPainter& painter, const QRectF& lane, const Intonation& intonation, const QString& title, const QColor& colour) const;
    double xOf(const Intonation& intonation, double seconds, const QRectF& lane) const;

    Intonation m_model;
    Intonation m_take;
    double m_lead = 0;    ///< seconds shown before the aligned start of speech
    double m_span = 1;    ///< seconds across
    float m_lowHz = 80;
    float m_highHz = 400;
};
