#include "EnglishStemmer.h"

#include "LibraryFunction.h"

#include <QLibrary>
#include <libstemmer.h>

struct StemmerLibrary {
    decltype(&sb_stemmer_new) create = nullptr;
    decltype(&sb_stemmer_delete) destroy = nullptr;
    decltype(&sb_stemmer_stem) stem = nullptr;
    decltype(&sb_stemmer_length) length = nullptr;
};

namespace {

// The library's soname version: its C interface has not changed within it.
const QString kStemmerVersion = QStringLiteral("0d");

struct Loaded {
    StemmerLibrary functions;
    QString error;
};

Loaded load()
{
    Loaded loaded;
    QLibrary library(QStringLiteral("stemmer"), kStemmerVersion);
    if (!library.load()) {
        loaded.error = QStringLiteral("the stemming library cannot be loaded: %1").arg(library.errorString());
        return loaded;
    }
    StemmerLibrary& f = loaded.functions;
    QString& e = loaded.error;
    const bool all = resolveFunction(library, "sb_stemmer_new", f.create, e) & resolveFunction(library, "sb_stemmer_delete", f.destroy, e)
        & resolveFunction(library, "sb_stemmer_stem", f.stem, e) & resolveFunction(library, "sb_stemmer_length", f.length, e);
    if (!all)
        library.unload();
    // Loaded for good otherwise: QLibrary leaves a library loaded when it goes.
    return loaded;
}

} // namespace

EnglishStemmer::EnglishStemmer()
{
    static const Loaded loaded = load();
    if (!loaded.error.isEmpty()) {
        m_error = loaded.error;
        return;
    }
    m_library = &loaded.functions;
    m_stemmer = m_library->create("english", "UTF_8");
    if (!m_stemmer)
        m_error = QStringLiteral("the stemming library has no English stemmer");
}

EnglishStemmer::~EnglishStemmer()
{
    if (m_stemmer)
        m_library->destroy(m_stemmer);
}

QString EnglishStemmer::stem(const QString& word) const
{
    if (!m_stemmer)
        return word;
    const QByteArray utf8 = word.toUtf8();
    const sb_symbol* stemmed = m_library->stem(m_stemmer, reinterpret_cast<const sb_symbol*>(utf8.constData()), int(utf8.size()));
    // Null only when the stemmer ran out of memory.
    if (!stemmed)
        return word;
    return QString::fromUtf8(reinterpret_cast<const char*>(stemmed), m_library->length(m_stemmer));
}
