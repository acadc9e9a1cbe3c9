#include "MapPlan.h"

#include "CourseCompiler.h"
#include "CourseError.h"
#include "DrawingKit.h"
#include "MediaRecipes.h"

#include <QHash>
#include <QSet>
#include <functional>

namespace {

// One line of a plan: its keyword and its key=value arguments.
struct PlanLine {
    QString keyword;
    QHash<QString, QString> args;
    QString required(const QString& key) const
    {
        if (!args.contains(key))
            throw CourseError(QStringLiteral("%1 needs %2=").arg(keyword, key));
        return args.value(key);
    }
};

// Calls HANDLE for each non-comment line of FILE, prefixing errors with file:line.
void forEachLine(const QString& file, const std::function<void(const PlanLine&)>& handle)
{
    const QStringList lines = readTextFile(file).split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString text = lines.at(n).trimmed();
        if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
            continue;
        try {
            const QStringList words = MediaRecipes::splitWords(text);
            PlanLine line;
            line.keyword = words.at(0);
            for (qsizetype i = 1; i < words.size(); ++i) {
                const qsizetype eq = words.at(i).indexOf(QLatin1Char('='));
                if (eq <= 0)
                    throw CourseError(QStringLiteral("'%1' is not key=value").arg(words.at(i)));
                line.args.insert(words.at(i).left(eq), words.at(i).mid(eq + 1));
            }
            handle(line);
        } catch (const CourseError& error) {
            throw CourseError(QStringLiteral("%1:%2: %3").arg(file).arg(n + 1).arg(error.message()));
        }
    }
}

} // namespace

QPointF MapPlan::Region::labelCentre() const
{
    if (label)
        return *label;
    QPointF sum;
    for (const QPointF& p : points)
        sum += p;
    return points.isEmpty() ? sum : sum / qreal(points.size());
}

MapPlan MapPlan::read(const QString& file, const QString& sourceFolder)
{
    MapPlan plan;
    QString buttonsFile;
    forEachLine(file, [&](const PlanLine& line) {
        const QString& k = line.keyword;
        if (k == QLatin1String("scene")) {
            plan.scene = line.required(QStringLiteral("name"));
            if (plan.scene != QLatin1String("island") && plan.scene != QLatin1String("town"))
                throw CourseError(QStringLiteral("unknown scene '%1' (island or town)").arg(plan.scene));
            plan.title = line.args.value(QStringLiteral("title"));
            if (line.args.contains(QStringLiteral("size")))
                plan.size = DrawingKit::parseSize(line.args.value(QStringLiteral("size")), QStringLiteral("scene size"));
        } else if (k == QLatin1String("buttons")) {
            buttonsFile = sourceFolder + QLatin1Char('/') + line.required(QStringLiteral("file"));
        } else if (k == QLatin1String("land")) {
            plan.lands << DrawingKit::parsePoints(line.required(QStringLiteral("points")), QStringLiteral("land"), 3);
        } else if (k == QLatin1String("road") || k == QLatin1String("river")) {
            Stroke stroke;
            stroke.kind = k == QLatin1String("road") ? Stroke::Kind::Road : Stroke::Kind::River;
            stroke.width = DrawingKit::parseInt(line.required(QStringLiteral("width")), k + QStringLiteral(" width"));
            stroke.points = DrawingKit::parsePoints(line.required(QStringLiteral("points")), k, 2);
            plan.strokes << stroke;
        } else if (k == QLatin1String("region")) {
            Region region;
            region.chapter = DrawingKit::parseInt(line.required(QStringLiteral("chapter")), QStringLiteral("region chapter"));
            const QString what = QStringLiteral("region %1").arg(region.chapter);
            region.maskColour = DrawingKit::parseRgb(line.required(QStringLiteral("mask")), what + QStringLiteral(" mask"));
            region.name = line.required(QStringLiteral("name"));
            region.fill = DrawingKit::parseColour(line.required(QStringLiteral("fill")), what + QStringLiteral(" fill"));
            region.points = DrawingKit::parsePoints(line.required(QStringLiteral("points")), what, 3);
            if (line.args.contains(QStringLiteral("label")))
                region.label = DrawingKit::parsePoints(line.args.value(QStringLiteral("label")), what + QStringLiteral(" label"), 1).constFirst();
            region.decor = line.args.value(QStringLiteral("decor"), QStringLiteral("none"));
            plan.regions << region;
        } else {
            throw CourseError(QStringLiteral("unknown keyword '%1'").arg(k));
        }
    });
    if (plan.scene.isEmpty())
        throw CourseError(QStringLiteral("%1: no scene line").arg(file));
    if (!buttonsFile.isEmpty())
        plan.readButtons(buttonsFile);
    plan.check(file);
    return plan;
}

void MapPlan::readButtons(const QString& file)
{
    forEachLine(file, [&](const PlanLine& line) {
        const QString& k = line.keyword;
        if (k == QLatin1String("bar")) {
            bar = DrawingKit::parseRect(line.required(QStringLiteral("rect")), QStringLiteral("bar"));
        } else if (k == QLatin1String("button")) {
            Button button;
            button.accion = DrawingKit::parseInt(line.required(QStringLiteral("accion")), QStringLiteral("button accion"));
            const QString what = QStringLiteral("button %1").arg(button.accion);
            button.rect = DrawingKit::parseRect(line.required(QStringLiteral("rect")), what);
            button.icon = line.required(QStringLiteral("icon"));
            button.label = line.args.value(QStringLiteral("label"));
            button.lit = line.required(QStringLiteral("lit"));
            buttons << button;
        } else if (k == QLatin1String("navbox")) {
            NavBox box;
            box.rect = DrawingKit::parseRect(line.required(QStringLiteral("rect")), QStringLiteral("navbox"));
            box.picture = line.required(QStringLiteral("picture"));
            box.title = line.args.value(QStringLiteral("title"));
            box.list = DrawingKit::parseRect(line.required(QStringLiteral("list")), QStringLiteral("navbox list"));
            navBox = box;
        } else {
            throw CourseError(QStringLiteral("unknown keyword '%1'").arg(k));
        }
    });
}

// What a plan must hold for its mask to be readable: distinct, non-black colours and
// chapters, and buttons inside the picture.
void MapPlan::check(const QString& file) const
{
    if (regions.isEmpty())
        throw CourseError(QStringLiteral("%1: the map has no region").arg(file));
    QSet<int> chapters;
    QHash<QRgb, int> colours;
    for (const Region& region : regions) {
        if (region.maskColour.rgb() == qRgb(0, 0, 0))
            throw CourseError(QStringLiteral("%1: region %2 is black in the mask; black means no region").arg(file).arg(region.chapter));
        if (chapters.contains(region.chapter))
            throw CourseError(QStringLiteral("%1: chapter %2 has two regions").arg(file).arg(region.chapter));
        if (colours.contains(region.maskColour.rgb()))
            throw CourseError(QStringLiteral("%1: regions %2 and %3 share the mask colour %4").arg(file).arg(colours.value(region.maskColour.rgb())).arg(region.chapter).arg(region.maskColour.name()));
        chapters.insert(region.chapter);
        colours.insert(region.maskColour.rgb(), region.chapter);
    }
    const QRect picture(QPoint(0, 0), size);
    for (const Button& button : buttons) {
        if (!picture.contains(button.rect))
            throw CourseError(QStringLiteral("%1: button %2 lies outside the %3x%4 picture").arg(file).arg(button.accion).arg(size.width()).arg(size.height()));
    }
    if (navBox && !picture.contains(navBox->rect))
        throw CourseError(QStringLiteral("%1: the navigation box lies outside the picture").arg(file));
}
