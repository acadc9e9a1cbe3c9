#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

/// `frmmsg`: one line of text and an "&Aceptar" button, modal, built anew each time.
class MessageWindow : public QDialog {
    Q_OBJECT

public:
    /// The widest the window grows: the stage's width less a margin.
    static constexpr int MaximumWidth = 600;

    explicit MessageWindow(const QString& text, QWidget* parent = nullptr);

    QLabel* textLabel() const { return m_text; }
    QPushButton* acceptButton() const { return Command1; }

private:
    void MessageLoad(const QString& text);
    void MessageAccept();

    QLabel* m_text = nullptr;
    QPushButton* Command1 = nullptr;
};
