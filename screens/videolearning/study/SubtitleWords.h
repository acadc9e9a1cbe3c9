#pragma once

#include "WordLookup.h"

#include <QObject>
#include <QPointer>

class Database;
class QLabel;
class QTextEdit;
class QWidget;
class Trace;

/// The words of the English subtitle looked up as the learner points at them or clicks
/// them: a note by the subtitle shows the word's Spanish translations from the course's
/// glossary, with a link that opens the glossary on the term.
class SubtitleWords : public QObject {
    Q_OBJECT

public:
    /// Looks up the words of SUBTITLE in CONTENT; the note is a child of NOTE_PARENT.
    SubtitleWords(QTextEdit& subtitle, QWidget& noteParent, Database& content, Trace& trace);

    /// The note (hidden while no word is pointed at).
    QLabel* note() const { return m_note; }
    /// The whole word of the subtitle at POS (viewport coordinates) as it is written,
    /// empty off the words.
    QString wordAt(const QPoint& pos) const;
    /// Shows the note for WORD, placed by the subtitle near X (viewport coordinates).
    void showWord(const QString& word, int x);
    void hideNote();

signals:
    /// The learner asked for the glossary on the English term TERM.
    void glossaryRequested(const QString& term);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTextEdit& m_subtitle;
    QWidget& m_parent;
    QLabel* m_note = nullptr;
    WordLookup m_lookup;
    Trace& m_trace;
    QString m_shown; ///< the word the note is for
};
