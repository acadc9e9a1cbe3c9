#pragma once

#include <QKeySequence>
#include <QString>
#include <vector>

/// The keys of the conversation screen: one for every button and every study aid.
/// A key stands for an action code and runs exactly what the button of that code runs.
class StudyKeys {
public:
    /// One key, the action it runs and what the learner is told it does.
    struct Key {
        int key = 0;                                  ///< Qt::Key
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        int accion = 0;
        int otherAccion = 0; ///< for a key that stands for two buttons (play/pause, list/tree): the second one
        QString keyName;     ///< as the help shows it
        QString what;        ///< in Spanish
    };

    /// Every key, in the order the help lists them.
    static const std::vector<Key>& keys();

    /// The key of KEY with MODIFIERS (keypad and shift-for-symbol ignored), or null.
    static const Key* find(int key, Qt::KeyboardModifiers modifiers);

    /// The help text listing every key, one per line.
    static QString helpText();
};
