#pragma once

#include "FramedScreen.h"

#include <QImage>
#include <memory>
#include <vector>

class FrameButton;
class PictureSurface;
class Recordset;

/// `frmms`, the main map: a map lesson's picture whose chapter regions light up under the
/// pointer by the colour of a hidden mask, the lesson navigator's buttons drawn on it,
/// and the way into every lesson.
class MainMapScreen : public FramedScreen {
    Q_OBJECT

public:
    /// One region of the colour table: its mask colour (red in the low byte) and the
    /// position of its row in the region record set.
    struct ColourEntry {
        quint32 colour = 0;
        qint16 row = 0;
    };

    explicit MainMapScreen(Shell& shell);
    ~MainMapScreen() override;

    PictureSurface* mascara = nullptr; ///< the map the learner sees; takes the pointer
    PictureSurface* msimagex = nullptr; ///< the highlight of the region under the pointer
    const QImage& sensible() const { return m_sensible; } ///< the colour mask, never shown

    void LoadLessonMap();
    void BuildColourTable();
    void MapPointerMove(int x, int y);
    void ShowRegion();
    void RegionClick();
    /// Makes LESSON current and opens its screen; a lesson no window serves leaves the
    /// map as it was.
    void OpenCurrentLesson(qint16 lesson);
    void ApplyExclusions();
    void MapButtonClick(int index);

    const std::vector<ColourEntry>& colourTable() const { return m_colourTable; }
    quint32 MaskColour() const { return m_maskColour; }

    QPixmap transitionPicture() override;

protected:
    QString pantallaQuery() const override;
    QWidget* buttonParent() const override;
    void buttonBuilt(int index, const Recordset& row) override;
    bool buttonMayLight(int index) const override;
    void loadFinished() override;
    void ScreenLoad() override;
    void ScreenActivate() override;
    void ButtonClick(int index) override;

private:
    /// The map picture of the current lesson, or a null pixmap when it is not a map.
    QString currentMapFile(bool* isMap = nullptr) const;
    quint32 maskPixel(int x, int y) const;

    QImage m_sensible;
    std::vector<ColourEntry> m_colourTable;
    std::unique_ptr<Recordset> m_regions;
    qint16 m_currentRegion = 0;
    quint32 m_lastMaskColour = 0;
    quint32 m_maskColour = 0;
};
