#pragma once

#include "GlossaryCleaner.h"
#include "MediaRecipes.h"

#include <QString>

/// Imports a dictd dictionary (its .index and .dict.dz) into the glossary of a content
/// database, as the recipe
///   dictd bbm.mdb dictionary=/usr/share/dictd/freedict-spa-eng headwords=es|en [companion=DICT]
///         [spanish-words=LIST[,LIST...]] [english-words=LIST[,LIST...]]
/// where the companion is the other direction's dictionary and the lists are word lists
/// (/usr/share/dict), whose words let the terms be mended (see GlossaryCleaner).
/// Headwords go to the list of their language (glosesp for es, glosing for en), their
/// translations to the other, and each pair to glosario. A term already there (the
/// hand-written ones, or the other direction's) is reused, and a pair recorded once.
class DictdRecipe {
public:
    DictdRecipe(QString password)
        : m_password(std::move(password))
    {
    }

    /// Throws CourseError naming the file, or the line of the index, that cannot be used.
    void make(const MediaRecipes::Recipe& recipe) const;

    /// The translations of one dictd entry (its headword line dropped): numbered senses,
    /// grammar marks and blanks removed, comma-separated lists split.
    static QStringList translations(const QString& entry);

    /// The headword of the dictd entry ENTRY as its first line writes it, or INDEXED (the
    /// index's form) when that line does not hold it.
    static QString headword(const QString& entry, const QString& indexed);

    /// Every entry of the dictd dictionary DICTIONARY (its .index and .dict.dz).
    static DictionaryEntries read(const QString& dictionary);

private:
    QString m_password;
};
