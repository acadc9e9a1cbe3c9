#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

/// A lesson screen as the learner first sees it, composed at build time from the course's
/// own `pantalla` rows (content*.sql of the source folder) and the pictures they name in
/// the course folder: the background, the pictures the rows lay on it (control panels,
/// scroll strips) and the boxes (title, lists, text, subtitles, video) with sample content.
class ScreenMiniature {
public:
    ScreenMiniature(const QString& sourceFolder, const QString& outputFolder);

    /// The screen CODE at the size of its background; throws CourseError when the screen
    /// has no background row or a picture is missing.
    QImage render(int code, const QString& title) const;

    /// The `pantalla` rows of SQL (column name → value, null as an empty string).
    static QList<QHash<QString, QString>> parseRows(const QString& sql);

    /// The picture that stands for the background while the screen plays (the carousel's
    /// first picture replaces it), a picture of the course folder.
    void setBackdrop(const QString& picture) { m_backdrop = picture; }
    /// Where the screen's video plays when no row places it; a drawn still shows there.
    void setVideoArea(const QRect& area) { m_videoArea = area; }
    /// The sample lines of the subtitle boxes, in their rows' order.
    void setSubtitles(const QStringList& lines) { m_subtitles = lines; }

private:
    QImage picture(const QString& name) const;

    QString m_source;
    QString m_output;
    QString m_backdrop;
    QRect m_videoArea;
    QStringList m_subtitles;
};
