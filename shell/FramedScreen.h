#pragma once

#include "Screen.h"

#include <vector>

class FrameButton;
class PictureList;
class PictureSurface;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QSlider;
class QTimer;
class Recordset;

/// The record of one button of a screen: its hot rectangle in pixels of the drawing
/// area (right and bottom edges included), its state (non-zero keeps it shown), its
/// action code, and on the main map whether the lesson's exclusions leave it enabled.
struct ButtonRecord {
    qint16 left = 0;
    qint16 right = 0;
    qint16 top = 0;
    qint16 bottom = 0;
    qint16 state = 0;
    qint16 accion = 0;
    bool enabled = false;

    bool contains(int x, int y) const { return left <= x && x <= right && top <= y && y <= bottom; }
    /// The record of BUTTON, built from ROW: its rectangle as placed, the row's `accion`.
    static ButtonRecord of(const QWidget& button, const Recordset& row);
};

/// The frame every screen is built on: a background `Picture1`, buttons `Imagex` lit under
/// the pointer with the click sound, the navigation box `CajaNav` with its list `listanav`,
/// the volume panel `volumen` with `Slider1`, text labels, and `Timer1` for the sound upkeep.
/// A screen names only what it adds: its own kinds of rows, its buttons' actions and its
/// work on activation.
class FramedScreen : public Screen {
    Q_OBJECT

public:
    static constexpr int LatchedState = -1;
    /// The action of the button that switches the background sound off and on.
    static constexpr int SoundButton = 3;

    FramedScreen(Shell& shell, const QString& windowName, qint16 number);

    /// Shows the picture NAME (relative to the course folder) on `Picture1`.
    void showBackground(const QString& name);
    QPixmap transitionPicture() override;

    // The frame's objects, named as the course names them.
    PictureSurface* Picture1 = nullptr;
    std::vector<FrameButton*> Imagex; ///< element 0 is the hidden template
    QLabel* CajaNav = nullptr;
    QListWidget* listanav = nullptr;
    QWidget* volumen = nullptr;
    QSlider* Slider1 = nullptr;
    std::vector<QLabel*> Labels; ///< text labels in order of their rows (`Label1` first)
    PictureList* pictureList = nullptr; ///< the screen's picture list (`list1` on the map, `lista` on the cards)
    QTimer* Timer1 = nullptr;

    /// The button table; index = button number, 0 unused.
    const std::vector<ButtonRecord>& buttons() const { return m_buttons; }
    ButtonRecord& button(int index) { return m_buttons.at(size_t(index)); }
    /// The first button whose action is ACCION, 0 when there is none.
    int buttonWithAction(int accion) const;

    // Frame handlers, public so that tests and screens can drive them as events do.
    void ButtonMouseMove(int index);
    /// The pointer at (X, Y) over `Picture1`: lights the button under it, puts out the others.
    virtual void BackgroundMouseMove(int x, int y);
    /// Lights the button under the pointer and puts out the others, as a move there would,
    /// but without the click sound: the pointer has not moved, the screen has changed.
    void pointerSettled() override;
    void NavListClick(QListWidgetItem* item);
    /// The volume slider moved: by default the background channel follows it.
    virtual void VolumeChange(int value);
    void SoundTimer();
    /// Latches the background-sound button (action 3) on, its off-marker shown, while the
    /// background sound is switched off.
    void ShowSoundButtonState();
    /// The background-sound button: switches the background sound off or on again.
    void ToggleBackgroundSound();

protected:
    /// The query of the screen's rows.
    virtual QString pantallaQuery() const;
    /// Asked first for every row, of any kind: a screen that builds ROW itself, with its
    /// own meaning for a kind the frame knows, returns true and the frame skips the row.
    /// It may still build through the frame's own builders (buildButton, buildLabel).
    virtual bool takeRow(int kind, const Recordset& row)
    {
        Q_UNUSED(kind) Q_UNUSED(row)
        return false;
    }
    /// Builds an object of a kind the frame does not know; returns false to skip the row.
    virtual bool loadObject(int kind, const Recordset& row);
    /// Builds a text object (row kind 9) of the screen's own; false leaves it to the frame's labels.
    virtual bool loadTextObject(const Recordset& row) { Q_UNUSED(row) return false; }
    /// Runs after the last row.
    virtual void loadFinished() { }
    /// Runs once button INDEX has been built from ROW; a screen places its volume
    /// panel here when one of its buttons decides where the panel goes.
    virtual void buttonBuilt(int index, const Recordset& row) { Q_UNUSED(index) Q_UNUSED(row) }
    /// The parent of the buttons (the map places them on its map surface).
    virtual QWidget* buttonParent() const;
    /// Whether button INDEX may light up now (the main map asks its exclusions).
    virtual bool buttonMayLight(int index) const;
    /// Button INDEX, hidden, is about to be lit by the pointer (a screen that empties its
    /// buttons' pictures gives the lit picture back here).
    virtual void aboutToLight(int index) { Q_UNUSED(index) }
    /// Whether the screen plays a background sound.
    virtual bool hasBackgroundSound() const { return true; }
    /// The screen's own work once the frame's activation is done.
    virtual void activated() { }
    /// A click on button INDEX; the screen acts by its `accion`.
    virtual void ButtonClick(int index);
    /// The pointer moved over the background: a screen with a picture list drops its highlight.
    virtual void dropListHighlight() { }

    void ScreenLoad() override;
    bool activationHeld(Activation cause) const override;
    void ScreenActivate() override;
    void screenShown() override;
    void screenLeft() override;

    /// Loads the sounds of the screen in front and starts its background, as an activation does.
    void startScreenSounds();

    /// Puts the top-left corner of the volume panel at (X, Y).
    void placeVolumePanel(int x, int y);

    /// Refills the navigation list from the history and fits its height to the entries.
    void refreshNavList();

    void RegisterButton(FrameButton* button, const Recordset& row);
    /// Builds the next `Imagex` button from ROW (the last element of Imagex afterwards).
    void buildButton(const Recordset& row);
    /// Builds the next text label from ROW (the last element of Labels afterwards).
    QLabel* buildLabel(const Recordset& row);

private:
    void buildBackground(const Recordset& row);
    void buildNavList(const Recordset& row);
    void buildNavBox(const Recordset& row);
    void buildPictureList(const Recordset& row);

    std::vector<ButtonRecord> m_buttons;
    int m_nextButton = 1;
};

/// Flips the thin border of a list or frame; the navigation list is shown without one.
void ToggleWindowBorder(QWidget& control);
