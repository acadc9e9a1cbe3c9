#include "QtTranslations.h"

#include "Trace.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString QtTranslations::catalogueFor(const QStringList& languages, const QString& folder)
{
    // "es-MX" is looked for as es_MX, then as es. English is Qt's own untranslated text,
    // never a learner's language here: the learner's Spanish stands in for it, as for a
    // language Qt has no words for.
    QStringList candidates;
    for (const QString& language : languages) {
        QString name = language;
        name.replace(QLatin1Char('-'), QLatin1Char('_'));
        candidates << name << name.section(QLatin1Char('_'), 0, 0);
    }
    candidates << QStringLiteral("es");
    for (const QString& name : std::as_const(candidates)) {
        if (name.isEmpty() || name.section(QLatin1Char('_'), 0, 0).compare(QLatin1String("en"), Qt::CaseInsensitive) == 0)
            continue;
        const QString file = folder + QStringLiteral("/qt_") + name + QStringLiteral(".qm");
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

QLocale QtTranslations::learnerLocale(const QLocale& system)
{
    return system.language() == QLocale::Spanish ? system : QLocale(QLocale::Spanish, QLocale::Spain);
}

QString QtTranslations::install(QCoreApplication& app)
{
    // The file dialog's dates ("8 dic") follow the default locale, not the catalogue.
    QLocale::setDefault(learnerLocale(QLocale::system()));
    const QString file = catalogueFor(QLocale::system().uiLanguages(), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    auto* translator = new QTranslator(&app);
    if (!file.isEmpty() && translator->load(file)) {
        QCoreApplication::installTranslator(translator);
        return file;
    }
    delete translator;
    return {};
}

void QtTranslations::trace(Trace& trace, const QString& file)
{
    trace.event("translations",
        { { QStringLiteral("file"), file }, { QStringLiteral("languages"), QJsonArray::fromStringList(QLocale::system().uiLanguages()) } });
}
