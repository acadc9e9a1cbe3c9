#include "DemoContent.h"

#include "CourseCompiler.h"
#include "DictdRecipe.h"
#include "MediaRecipes.h"

#include <QDir>

QString demoContentPassword()
{
    return QStringLiteral("vemparo41");
}

std::unique_ptr<Database> buildDemoContent(const QString& out, const QString& media)
{
    const QString source = QStringLiteral(TAMSEL_SOURCE_DIR "/course/demo");
    QString rows;
    const QStringList files = QDir(source).entryList({ QStringLiteral("content.sql"), QStringLiteral("content-*.sql") }, QDir::Files, QDir::Name);
    for (const QString& file : files)
        rows += readTextFile(source + QLatin1Char('/') + file) + QLatin1Char('\n');
    QDir().mkpath(out);
    CourseCompiler(QStringLiteral(TAMSEL_SOURCE_DIR "/course/schema"), demoContentPassword())
        .buildDatabase(out + QStringLiteral("bbm.mdb"), QStringLiteral("content"), rows);
    MediaRecipes recipes(source, out);
    // As the course compiler does: dictionaries go into the content database.
    recipes.addKind(QStringLiteral("dictd"), [](const MediaRecipes::Recipe& r) { DictdRecipe(demoContentPassword()).make(r); });
    recipes.run(source + QLatin1Char('/') + media);
    return Database::open(
        out + QStringLiteral("bbm.mdb"), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("MS Access;PWD=") + demoContentPassword());
}
