#pragma once

#include <QLabel>

/// The list of the screen's keys ("?", or the strip's "Teclas"): dark text on a light
/// card of its own, whatever the course's colours, laid out in as many columns as it
/// takes to fit the stage whole.
class KeyList : public QLabel {
    Q_OBJECT

public:
    /// The most columns the list is split into; narrower ones would cut the texts.
    static constexpr int MaxColumns = 3;

    explicit KeyList(QWidget* stage);

    /// Lays the list out for STAGE and centres it there.
    void fitTo(const QSize& stage);
    int columns() const { return m_columns; }

    /// The list's text in COLUMNS columns (rich text).
    static QString table(int columns);

private:
    int m_columns = 1;
};
