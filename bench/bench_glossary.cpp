// The glossary with 20 000 terms on each side: loading both lists, a type-ahead find in
// one of them, and a lookup of a term's translations through its saved query.
#include "ComponentLibrary.h"
#include "GlossaryScreen.h"
#include "PictureList.h"
#include "QueryDef.h"
#include "Recordset.h"
#include "ScreenCatalog.h"
#include "ShellHarness.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>

namespace {

constexpr int Terms = 20000;

/// A made-up word of Spanish letters, accents and "ñ" among them.
QString word(QRandomGenerator& random)
{
    static const QString letters = QStringLiteral("abcdefghijklmnñopqrstuvwxyzáéíóú");
    QString text;
    const int length = 3 + int(random.bounded(9));
    for (int i = 0; i < length; ++i)
        text += letters.at(int(random.bounded(letters.size())));
    return text;
}

QString largeGlossary()
{
    QRandomGenerator random(20000);
    QString sql = QStringLiteral(
        "insert into pantalla (codigo, objeto, identificativo, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, accion, Font, tamanofont) values"
        "  (8, 1, 0, 0, 0, 400, 300, null, null, '200220240', 0, null, null),"
        "  (8, 6, 1, 10, 70, 180, 190, 'reposo.bmp', 'activo.bmp', '255255255', 0, 'DejaVu Sans', 9),"
        "  (8, 6, 2, 210, 70, 180, 190, 'reposo.bmp', 'activo.bmp', '255255255', 0, 'DejaVu Sans', 9),"
        "  (8, 9, 0, 10, 270, 0, 0, null, null, '200000000', 0, 'DejaVu Sans', 8),"
        "  (8, 15, 1, 10, 40, 180, 22, null, null, '255255200', 0, 'DejaVu Sans', 9),"
        "  (8, 15, 2, 210, 40, 180, 22, null, null, '255255200', 0, 'DejaVu Sans', 9);");
    for (const char* table : { "glosesp", "glosing" }) {
        QString values;
        for (int id = 1; id <= Terms; ++id)
            values += QStringLiteral("%1(%2, '%3')").arg(values.isEmpty() ? QString() : QStringLiteral(", ")).arg(id).arg(word(random));
        sql += QStringLiteral("insert into %1 values %2;").arg(QLatin1String(table), values);
    }
    QString pairs;
    for (int id = 1; id <= Terms; ++id)
        pairs += QStringLiteral("%1(%2, %3), (%2, %4)").arg(pairs.isEmpty() ? QString() : QStringLiteral(", ")).arg(id).arg(id).arg(Terms + 1 - id);
    return sql + QStringLiteral("insert or ignore into glosario (id_esp, id_ing) values %1;").arg(pairs);
}

/// One course and one shell for all three measures: building 40 000 rows is the slow part.
struct Glossary {
    Glossary()
        : course(largeGlossary())
    {
        course.addHandCursor();
        course.addPicture(QStringLiteral("reposo.bmp"), QSize(8, 8), Qt::gray);
        course.addPicture(QStringLiteral("activo.bmp"), QSize(8, 8), Qt::blue);
        harness = std::make_unique<ShellHarness>(course);
        ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
        registerScreens(*harness->shell);
    }

    GlossaryScreen* load()
    {
        auto* glossary = static_cast<GlossaryScreen*>(harness->shell->window(QStringLiteral("frmind")));
        glossary->ensureLoaded();
        return glossary;
    }

    void unload(GlossaryScreen* glossary)
    {
        harness->shell->unloadWindow(glossary);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    FixtureCourse course;
    std::unique_ptr<ShellHarness> harness;
};

Glossary& glossary()
{
    static Glossary shared;
    return shared;
}

void LoadBothLists(benchmark::State& state)
{
    Glossary& g = glossary();
    for (auto _ : state) {
        GlossaryScreen* screen = g.load();
        benchmark::DoNotOptimize(screen->lista[GlossaryScreen::English]->count());
        state.PauseTiming();
        g.unload(screen);
        state.ResumeTiming();
    }
}
BENCHMARK(LoadBothLists)->Unit(benchmark::kMillisecond);

void TypeAheadFind(benchmark::State& state)
{
    Glossary& g = glossary();
    GlossaryScreen* screen = g.load();
    PictureList& list = *screen->lista[GlossaryScreen::Spanish];
    QRandomGenerator random(7);
    QStringList typed;
    for (int i = 0; i < 64; ++i)
        typed << word(random).left(1 + int(random.bounded(4)));
    int next = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(list.find(typed.at(next++ % typed.size())));
    g.unload(screen);
}
BENCHMARK(TypeAheadFind)->Unit(benchmark::kMicrosecond);

void LookupThroughTheQuery(benchmark::State& state)
{
    Database& db = *glossary().harness->state.ContentDb;
    int id = 1;
    for (auto _ : state) {
        QueryDef query = db.queryDef(QStringLiteral("consulta-esp-ing"));
        query.setParameter(QStringLiteral("codesp"), id);
        auto rows = query.openRecordset();
        QStringList translations;
        for (; !rows->isEof(); rows->moveNext())
            translations << rows->text(QStringLiteral("termino"));
        benchmark::DoNotOptimize(translations.join(QStringLiteral(", ")));
        id = id % Terms + 1;
    }
}
BENCHMARK(LookupThroughTheQuery)->Unit(benchmark::kMicrosecond);

} // namespace
