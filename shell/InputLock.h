#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

/// Keeps the pointer and the keyboard away from a widget and everything on it while
/// leaving its look alone: a screen under an overlay stays in full colour, where
/// disabling it would grey its labels and pictures. Works for every child, also those
/// that live in windows of their own (video).
class InputLock : public QObject {
    Q_OBJECT

public:
    explicit InputLock(QWidget& target);
    ~InputLock() override;

    /// Takes the target's input (LOCKED) or gives it back.
    void setLocked(bool locked);
    bool isLocked() const { return m_locked; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& m_target;
    bool m_locked = false;
};
