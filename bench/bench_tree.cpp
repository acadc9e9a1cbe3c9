// The course tree built by Raiz for a large course: 2 000 lessons under 100 chapters of
// the home map, every lesson kind mixed, a fifth of the conversation lessons visited.
#include "CourseTree.h"
#include "Recordset.h"
#include "ShellHarness.h"

#include <QWidget>
#include <benchmark/benchmark.h>

namespace {

constexpr int Chapters = 100;
constexpr int Lessons = 2000;
constexpr int FirstChapter = 11;

QString largeCourse()
{
    static const int kinds[] = { 3, 4, 5, 6, 7, 12, 12, 14 };
    QString sql = QStringLiteral("insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values (1, 'Mapa', 1, 0, 0);"
                                 "insert into pantalla (codigo, objeto, X, Y, ancho, alto, bitmapreposo, bitmapactivable, bitmapactivo, Font, tamanofont) values"
                                 " (10, 16, 10, 40, 280, 340, 'i1.bmp', 'i2.bmp', null, 'DejaVu Sans', 9),"
                                 " (12, 16, 400, 60, 220, 300, 'i1.bmp', 'i2.bmp', 'i3.bmp', 'DejaVu Sans', 9);");
    for (int kind : { 3, 4, 5, 6, 7, 12, 14 })
        sql += QStringLiteral("insert into pantalla (codigo, objeto, bitmapreposo, bitmapactivable) values (10, 12, 'k.bmp', '%1');").arg(kind);
    for (int c = 0; c < Chapters; ++c)
        sql += QStringLiteral("insert into capitulo (n_leccion, N_capitulo, nombre_capitulo) values (1, %1, 'Capítulo %1');").arg(FirstChapter + c);
    for (int l = 0; l < Lessons; ++l)
        sql += QStringLiteral("insert into lecciones (N_leccion, nombre_leccion, tipo, N_leccion_viene, N_capitulo_viene) values (%1, 'Lección %1', %2, 1, %3);")
                   .arg(100 + l)
                   .arg(kinds[l % 8])
                   .arg(FirstChapter + l % Chapters);
    return sql;
}

void Raiz(benchmark::State& state)
{
    const auto variant = CourseTree::Variant(state.range(0));
    FixtureCourse course(largeCourse());
    for (const char* icon : { "i1.bmp", "i2.bmp", "i3.bmp", "k.bmp" })
        course.addPicture(QLatin1String(icon), QSize(16, 16), Qt::darkGreen);
    {
        auto learner = Database::open(course.learnerDatabase(), ShareMode::Shared, AccessMode::ReadWrite, QStringLiteral("MS Access;PWD=vemparo41"));
        QString visits = QStringLiteral("insert into lecciones_usuario (id, leccion, grabada) values (0, 105, -1)");
        for (int l = 5 + 40; l < Lessons; l += 40)
            visits += QStringLiteral(", (0, %1, -1)").arg(100 + l);
        learner->execute(visits);
    }
    ShellHarness harness(course);
    harness.state.CurrentLesson = 1938; // a conversation lesson of chapter 49, near the end of video learning
    QWidget stage;
    stage.resize(640, 480);
    auto* tree = new CourseTree(*harness.shell, &stage, variant);
    auto rows = harness.state.ContentDb->openRecordset(
        QStringLiteral("select * from pantalla where codigo = %1 order by objeto").arg(variant == CourseTree::Explorer ? 10 : 12));
    for (; !rows->isEof(); rows->moveNext()) {
        if (rows->number(QStringLiteral("objeto")) == 12)
            tree->addKindIcon(*rows);
        else
            tree->placeFromRow(*rows);
    }
    stage.show();
    for (auto _ : state)
        tree->Raiz();
    state.counters["nodes"] = tree->nodeCount();
}
BENCHMARK(Raiz)->Arg(CourseTree::Explorer)->Arg(CourseTree::VideoLearning)->ArgName("variant")->Unit(benchmark::kMillisecond);

} // namespace
