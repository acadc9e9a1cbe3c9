#pragma once

#include <QImage>
#include <QVideoFrame>
#include <QWidget>

class QVideoSink;

/// The picture of a video, painted as a plain widget from the frames of its own video
/// sink. A video window of the system's own (what QVideoWidget makes) is drawn above every
/// widget of the program whatever their order: the notes, lists and windows that open over
/// a video would lie beneath it. Painted here, the picture is one widget among the others.
///
/// The frame keeps its shape, centred, on black. It is scaled by whole device pixels
/// (each pixel a square block) whenever its scale on the display is whole, and smoothed
/// otherwise. Full-screen, the widget becomes a window of its own that fills the screen.
class VideoSurface : public QWidget {
    Q_OBJECT

public:
    explicit VideoSurface(QWidget* parent = nullptr);

    /// The sink the media player draws into.
    QVideoSink* videoSink() const { return m_sink; }

    /// Fills the screen as a window of its own (ON), or goes back into its place.
    void setFullScreen(bool on);

    /// How many frames have been painted since the widget was made (each frame once).
    qint64 framesPainted() const { return m_framesPainted; }

    /// Where a frame of SIZE is drawn inside AREA, keeping its shape.
    static QRect frameRect(const QSize& size, const QRect& area);

signals:
    /// A new frame was painted (after its paint event).
    void framePainted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void takeFrame(const QVideoFrame& frame);

    QVideoSink* m_sink = nullptr;
    QVideoFrame m_frame;
    QImage m_image; ///< m_frame converted, made at its first paint
    bool m_fresh = false; ///< m_frame has not been painted yet
    qint64 m_framesPainted = 0;
    Qt::WindowFlags m_placedFlags; ///< the flags it had in its place, before filling the screen
};
