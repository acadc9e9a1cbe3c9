#include "CourseTexts.h"

#include <QDir>

namespace {

QString named(const QString& path)
{
    return QDir::toNativeSeparators(path.trimmed());
}

} // namespace

QString CourseTexts::folderMissing(const QString& path)
{
    return QStringLiteral("No se encuentra el curso en %1: esa carpeta no existe.").arg(named(path));
}

QString CourseTexts::neitherCourseNorDisc(const QString& path)
{
    return QStringLiteral("%1 no es un curso ni la imagen de un disco.").arg(named(path));
}

QString CourseTexts::contentMissing(const QString& folder)
{
    return QStringLiteral("No se encuentra el curso en %1: falta el archivo bbm.mdb.").arg(named(folder));
}

QString CourseTexts::discContentMissing(const QString& image)
{
    return QStringLiteral("No se encuentra el curso en la imagen de disco %1: le falta el archivo bbm.mdb.").arg(named(image));
}

QString CourseTexts::contentDamaged(const QString& folder)
{
    return QStringLiteral("No se puede abrir el curso de %1: su archivo bbm.mdb está dañado o no es de este programa.").arg(named(folder));
}

QString CourseTexts::discDamaged(const QString& image)
{
    return QStringLiteral("No se puede leer la imagen de disco %1: está dañada o incompleta.").arg(named(image));
}

QString CourseTexts::cannotRead(const QString& path)
{
    return QStringLiteral("No se puede leer %1: falta permiso.").arg(named(path));
}

QString CourseTexts::installMissing(const QString& folder)
{
    return QStringLiteral("Falta el archivo inst.ini en %1.").arg(named(folder));
}
