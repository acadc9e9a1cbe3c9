#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class RichTextBox;
class Shell;
class PhotoCardScreen;

/// `frmimpft`: what to print from the photo-text cards: every card of the lesson, the
/// card shown, or its picture. Modal; it prints when accepted and closes either way.
class PrintDialog : public QDialog {
    Q_OBJECT

public:
    PrintDialog(Shell& shell, PhotoCardScreen& screen, QWidget* parent);

    QLabel* Label1 = nullptr;
    QRadioButton* todos = nullptr;
    QRadioButton* Este = nullptr;
    QRadioButton* LaImagen = nullptr;
    QPushButton* Command2 = nullptr; ///< "&Aceptar"
    QPushButton* Command1 = nullptr; ///< "&Cancelar"
    RichTextBox* rtf = nullptr;      ///< hidden: loads each card printed with "all cards"

    void Command2Click();

private:
    Shell& m_shell;
    PhotoCardScreen& m_screen;
};
