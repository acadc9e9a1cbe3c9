// Qt's own texts in the learner's language: which catalogue is chosen for the system's
// languages, and that the one Debian ships gives the standard buttons their Spanish words.
#include "QtTranslations.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

class QtTranslationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void catalogueFor_data()
    {
        QTest::addColumn<QStringList>("held");
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<QString>("chosen");
        const QStringList usual { "qt_es.qm", "qt_fr.qm", "qt_en.qm", "qt_pt_BR.qm" };
        QTest::newRow("Spanish of Mexico") << usual << QStringList { "es-MX" } << "qt_es.qm";
        QTest::newRow("French first") << usual << QStringList { "fr-FR", "es-ES" } << "qt_fr.qm";
        QTest::newRow("a country's own catalogue") << usual << QStringList { "pt-BR" } << "qt_pt_BR.qm";
        QTest::newRow("English is no learner's language") << usual << QStringList { "en-US", "en" } << "qt_es.qm";
        QTest::newRow("one Qt has no words for") << usual << QStringList { "eu-ES" } << "qt_es.qm";
        QTest::newRow("no languages at all") << usual << QStringList {} << "qt_es.qm";
        QTest::newRow("no Spanish either") << QStringList { "qt_en.qm" } << QStringList { "en-US" } << "";
        QTest::newRow("no catalogues") << QStringList {} << QStringList { "es-ES" } << "";
    }

    void catalogueFor()
    {
        QFETCH(QStringList, held);
        QFETCH(QStringList, languages);
        QFETCH(QString, chosen);
        QTemporaryDir folder;
        for (const QString& name : std::as_const(held)) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString found = QtTranslations::catalogueFor(languages, folder.path());
        QCOMPARE(found, chosen.isEmpty() ? QString() : folder.filePath(chosen));
    }

    void learnerLocale_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("English machine") << "en_US" << "es_ES";
        QTest::newRow("C locale") << "C" << "es_ES";
        QTest::newRow("Spanish of Mexico kept") << "es_MX" << "es_MX";
        QTest::newRow("French machine") << "fr_FR" << "es_ES";
    }

    // The file dialog's dates read in Spanish ("8 dic"), whatever the machine speaks.
    void learnerLocale()
    {
        QFETCH(QString, system);
        QFETCH(QString, chosen);
        const QLocale locale = QtTranslations::learnerLocale(QLocale(system));
        QCOMPARE(locale.name(), chosen);
        QVERIFY(locale.toString(QDate(2026, 12, 8), QStringLiteral("d MMM")).startsWith(QStringLiteral("8 dic")));
    }

    // The catalogue the player loads on a Debian system where the learner's language is
    // not available: the standard buttons read in Spanish.
    void spanishButtons()
    {
        const QString file = QtTranslations::catalogueFor({ QStringLiteral("en-US") }, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        QVERIFY2(!file.isEmpty(), "Qt's Spanish catalogue is missing (qt6-translations-l10n)");
        QTranslator translator;
        QVERIFY(translator.load(file));
        QVERIFY(QCoreApplication::installTranslator(&translator));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("Aceptar"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Sí"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("&No"));
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_GUILESS_MAIN(QtTranslationsTest)
#include "tst_qttranslations.moc"
