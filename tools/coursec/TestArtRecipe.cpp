#include "TestArtRecipe.h"

#include "CourseError.h"
#include "DrawingKit.h"
#include "MapPainter.h"
#include "MapPlan.h"
#include "PanoramaRecipe.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

const QSize kScreen(640, 480);
const QRect kTopBand(0, 0, 640, 44);
const QRect kBar(0, 428, 640, 52);
const QRect kBoard(16, 52, 608, 92);
const QRect kStatus(16, 368, 608, 54);
constexpr int kAnswerTop = 152;
constexpr int kAnswerStep = 54;
constexpr int kAnswerHeight = 48;
const QColor& kWood = DrawingKit::wood;
const QColor& kWoodDark = DrawingKit::woodDark;
const QColor& kInk = DrawingKit::woodInk;
const QColor kLitInk(138, 28, 28);
const QColor kPaper(251, 241, 220);

enum class Look { AtRest, Lit };

QRect answerStrip(int answer)
{
    return QRect(kBoard.left(), kAnswerTop + (answer - 1) * kAnswerStep, kBoard.width(), kAnswerHeight);
}

QRect answerBadge(int answer)
{
    const QRect strip = answerStrip(answer);
    return QRect(strip.left() + 8, strip.top() + 2, 44, 44);
}

/// The map painter's icons for the bar buttons it knows; the others are drawn here.
QString mapIcon(const QString& name)
{
    if (name == QLatin1String("volver"))
        return QStringLiteral("salir");
    if (name == QLatin1String("explorar"))
        return QStringLiteral("navegar");
    if (name == QLatin1String("sonido") || name == QLatin1String("volumen") || name == QLatin1String("glosario"))
        return name;
    return {};
}

bool onBar(const TestArtRecipe::Button& b)
{
    return kBar.contains(b.rect);
}

/// An icon of this screen in a 24 x 24 box.
void drawIcon(QPainter& painter, const QString& name, const QRectF& box, const QColor& ink)
{
    if (name == QLatin1String("vista") || name == QLatin1String("salir")) {
        // The same pictures as the map's big-picture and leave buttons.
        MapPainter::drawIcon(painter, name == QLatin1String("vista") ? QStringLiteral("panorama") : name, box, ink,
            MapPainter::ButtonLook::AtRest);
        return;
    }
    painter.save();
    painter.translate(box.topLeft());
    painter.scale(box.width() / 24.0, box.height() / 24.0);
    painter.setPen(QPen(ink, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    if (name == QLatin1String("escuchar")) {
        // A speaker with a play triangle: hear the introduction.
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 1, 9 }, { 5, 9 }, { 10, 4 }, { 10, 20 }, { 5, 15 }, { 1, 15 } });
        painter.drawPolygon(QPolygonF { { 14, 6 }, { 14, 18 }, { 23, 12 } });
    } else if (name == QLatin1String("frases")) {
        // A speech bubble with writing: the sentences spoken again.
        QPainterPath bubble;
        bubble.addRoundedRect(QRectF(1, 2, 22, 15), 4, 4);
        bubble.moveTo(6, 16);
        bubble.lineTo(4, 22);
        bubble.lineTo(11, 17);
        painter.drawPath(bubble);
        painter.setFont(DrawingKit::font(8, QFont::Bold));
        painter.drawText(QRectF(1, 3, 22, 13), Qt::AlignCenter, QStringLiteral("Hi!"));
    } else if (name == QLatin1String("menu")) {
        for (int i = 0; i < 3; ++i)
            painter.drawLine(QPointF(4, 6 + i * 6), QPointF(20, 6 + i * 6));
    } else if (name == QLatin1String("anterior") || name == QLatin1String("siguiente")) {
        const qreal dir = name == QLatin1String("siguiente") ? 1 : -1;
        painter.setBrush(ink);
        painter.drawPolygon(QPolygonF { { 12 - dir * 7, 4 }, { 12 - dir * 7, 20 }, { 12 + dir * 7, 12 } });
    } else if (name == QLatin1String("resultado")) {
        painter.drawRect(QRectF(4, 2, 16, 20));
        for (int i = 0; i < 3; ++i) {
            const qreal y = i * 5.0;
            painter.drawPolyline(QPolygonF { { 6.5, 7.5 + y }, { 8, 9 + y }, { 10.5, 6 + y } });
            painter.drawLine(QPointF(12.5, 7.5 + y), QPointF(17.5, 7.5 + y));
        }
    }
    painter.restore();
}

/// A tile like the map's buttons, with an icon at the left and its label beside it.
void drawWideTile(QPainter& painter, const QRectF& area, const QString& icon, const QString& label, Look look)
{
    const QRectF rect = area.adjusted(2, 2, -2, -2);
    painter.save();
    if (look == Look::Lit) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 224, 102, 150));
        painter.drawRoundedRect(area, 8, 8);
    }
    QLinearGradient tile(rect.topLeft(), rect.bottomLeft());
    tile.setColorAt(0, look == Look::Lit ? QColor(255, 248, 200) : kPaper);
    tile.setColorAt(1, look == Look::Lit ? QColor(255, 200, 74) : QColor(226, 205, 166));
    painter.setPen(QPen(look == Look::Lit ? QColor(255, 255, 255) : kWoodDark, 1.5));
    painter.setBrush(tile);
    painter.drawRoundedRect(rect, 6, 6);
    const QColor ink = look == Look::Lit ? kLitInk : kInk;
    const qreal iconSize = qMin<qreal>(22, rect.height() - 10);
    const qreal iconLeft = label.isEmpty() ? rect.center().x() - iconSize / 2 : rect.left() + 8;
    drawIcon(painter, icon, QRectF(iconLeft, rect.center().y() - iconSize / 2, iconSize, iconSize), ink);
    if (!label.isEmpty()) {
        painter.setFont(DrawingKit::font(13, QFont::Bold));
        painter.setPen(ink);
        painter.drawText(rect.adjusted(iconSize + 14, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    painter.restore();
}

/// An answer button: a round badge with its number.
void drawBadge(QPainter& painter, const QRectF& area, int answer, Look look)
{
    painter.save();
    const QRectF circle = area.adjusted(3, 3, -3, -3);
    if (look == Look::Lit) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 224, 102, 150));
        painter.drawEllipse(area.adjusted(0.5, 0.5, -0.5, -0.5));
    }
    QLinearGradient face(circle.topLeft(), circle.bottomLeft());
    face.setColorAt(0, look == Look::Lit ? QColor(255, 248, 200) : kPaper);
    face.setColorAt(1, look == Look::Lit ? QColor(255, 200, 74) : QColor(226, 205, 166));
    painter.setPen(QPen(look == Look::Lit ? Qt::white : kWoodDark, 2));
    painter.setBrush(face);
    painter.drawEllipse(circle);
    painter.setFont(DrawingKit::font(20, QFont::Bold));
    painter.setPen(look == Look::Lit ? kLitInk : kInk);
    painter.drawText(circle, Qt::AlignCenter, QString::number(answer));
    painter.restore();
}

/// The pressed picture of the answer buttons, which the result view puts on the right
/// answer: a green badge with a tick.
QImage renderCorrect(const QImage& ground)
{
    QImage image = ground;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(image.rect()).adjusted(3, 3, -3, -3);
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.setBrush(QColor(46, 150, 70));
    painter.drawEllipse(circle);
    painter.setPen(QPen(Qt::white, 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(QPolygonF { { 12, 23 }, { 19, 30 }, { 32, 14 } });
    return image;
}

/// The learner's choice in the result view: a blue badge with a pointing ring.
QImage renderMarker(const QImage& ground)
{
    QImage image = ground;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(image.rect()).adjusted(3, 3, -3, -3);
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.setBrush(QColor(40, 90, 200));
    painter.drawEllipse(circle);
    painter.setPen(QPen(Qt::white, 3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle.center(), 10, 10);
    painter.setBrush(Qt::white);
    painter.drawEllipse(circle.center(), 4, 4);
    return image;
}

/// A button held down: its lit picture sunk by a pixel and darkened.
QImage pressedOf(const QImage& lit)
{
    QImage image(lit.size(), QImage::Format_RGB32);
    image.fill(kWoodDark);
    QPainter painter(&image);
    painter.drawImage(QPoint(1, 1), lit);
    painter.fillRect(image.rect(), QColor(60, 30, 0, 70));
    return image;
}

/// The screen's own parts, in LOOK: the title band, the board, the answer rows, the status
/// strip with its buttons; the bar comes from the map painter.
void drawScreen(QPainter& painter, const QString& title, const QString& fourth, Look look)
{
    PanoramaRecipe::drawLandscape(painter, kScreen, PanoramaRecipe::Mood::Day);
    // Title band.
    QLinearGradient band(kTopBand.topLeft(), kTopBand.bottomLeft());
    band.setColorAt(0, kWood.lighter(112));
    band.setColorAt(1, kWoodDark);
    painter.fillRect(kTopBand, band);
    painter.setPen(QPen(QColor(220, 180, 130), 2));
    painter.drawLine(kTopBand.bottomLeft() - QPoint(0, 1), kTopBand.bottomRight() - QPoint(0, 1));
    painter.setFont(DrawingKit::font(20, QFont::Bold));
    painter.setPen(QColor(255, 240, 210));
    painter.drawText(QRect(90, 0, 460, 44), Qt::AlignCenter, title);

    // The board of the question, with a question badge.
    DrawingKit::drawPaperPanel(painter, kBoard, QColor(255, 250, 236), QColor(240, 224, 190), 3, 6.5);
    painter.setPen(QPen(kInk, 2));
    painter.setBrush(QColor(255, 214, 102));
    painter.drawEllipse(QPointF(kBoard.left() + 30, kBoard.center().y()), 16, 16);
    painter.setFont(DrawingKit::font(22, QFont::Bold));
    painter.drawText(QRectF(kBoard.left() + 14, kBoard.center().y() - 16, 32, 32), Qt::AlignCenter, QStringLiteral("?"));

    // The answer rows; the fourth has its text drawn, as no column of the test gives it.
    for (int answer = 1; answer <= 4; ++answer) {
        const QRect strip = answerStrip(answer);
        painter.setPen(QPen(kWood, 1.5));
        painter.setBrush(QColor(255, 250, 236, 230));
        painter.drawRoundedRect(QRectF(strip).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
        drawBadge(painter, answerBadge(answer), answer, look);
    }
    painter.setFont(DrawingKit::font(16, QFont::Normal));
    painter.setPen(QColor(90, 70, 50));
    const QRect fourthStrip = answerStrip(4);
    painter.drawText(QRect(fourthStrip.left() + 66, fourthStrip.top(), fourthStrip.width() - 80, fourthStrip.height()),
        Qt::AlignLeft | Qt::AlignVCenter, fourth);

    // The status strip: the counter's place, the moves, the score's place, the result button.
    DrawingKit::drawPaperPanel(painter, kStatus, QColor(255, 250, 236), QColor(240, 224, 190), 3, 6.5);
    painter.setFont(DrawingKit::font(13, QFont::Bold));
    painter.setPen(kInk);
    painter.drawText(QRect(kStatus.left() + 12, kStatus.top(), 72, kStatus.height()), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Pregunta"));
    for (const TestArtRecipe::Button& b : TestArtRecipe::buttons()) {
        if (b.role >= 1 && b.role <= 4)
            continue; // the badges above
        if (!onBar(b))
            drawWideTile(painter, b.rect, b.name, b.label, look);
    }
}

MapPlan barPlan()
{
    MapPlan plan;
    plan.scene = QStringLiteral("town");
    plan.bar = kBar;
    for (const TestArtRecipe::Button& b : TestArtRecipe::buttons()) {
        if (onBar(b))
            plan.buttons << MapPlan::Button { b.accion, b.rect, mapIcon(b.name), b.label, QString() };
    }
    return plan;
}

QImage renderScreen(const QString& title, const QString& fourth, Look look)
{
    QImage image(kScreen, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawScreen(painter, title, fourth, look);
    const MapPlan plan = barPlan();
    const QImage bar = MapPainter(plan).render(0, look == Look::Lit ? MapPainter::ButtonLook::Lit : MapPainter::ButtonLook::AtRest);
    painter.drawImage(kBar.topLeft(), bar.copy(kBar));
    // The icons the map painter does not draw, in its icon box.
    for (const MapPlan::Button& b : plan.buttons) {
        if (!b.icon.isEmpty())
            continue;
        const QRectF rect = QRectF(b.rect).adjusted(2, 2, -2, -2);
        const qreal iconSize = qMin(rect.width() - 8, rect.height() - 16);
        const QString name = [&] {
            for (const TestArtRecipe::Button& t : TestArtRecipe::buttons())
                if (t.rect == b.rect)
                    return t.name;
            return QString();
        }();
        drawIcon(painter, name, QRectF(rect.center().x() - iconSize / 2, rect.top() + 2, iconSize, iconSize),
            look == Look::Lit ? kLitInk : kInk);
    }
    return image;
}

QImage renderPanel(Look look)
{
    const QSize size = TestArtRecipe::panelSize();
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawingKit::drawPaperPanel(painter, QRectF(QPointF(0, 0), size), QColor(252, 244, 222), QColor(232, 212, 172), 3, 5.5);
    painter.setFont(DrawingKit::font(12, QFont::Bold));
    painter.setPen(kInk);
    painter.drawText(QRect(0, 6, size.width(), 18), Qt::AlignCenter, QStringLiteral("Opciones"));
    for (const TestArtRecipe::Button& b : TestArtRecipe::panelButtons())
        drawWideTile(painter, b.rect, b.name, b.label, look);
    return image;
}

} // namespace

QList<TestArtRecipe::Button> TestArtRecipe::buttons()
{
    QList<Button> list;
    for (int answer = 1; answer <= 4; ++answer)
        list << Button { 34, answer, answerBadge(answer), QStringLiteral("respuesta_%1").arg(answer), QString() };
    list << Button { 37, 0, QRect(8, 4, 92, 36), QStringLiteral("menu"), QStringLiteral("Menú") }
         << Button { 35, 0, QRect(kStatus.left() + 148, kStatus.top() + 7, 44, 40), QStringLiteral("anterior"), QString() }
         << Button { 36, 0, QRect(kStatus.left() + 198, kStatus.top() + 7, 44, 40), QStringLiteral("siguiente"), QString() }
         << Button { 40, 6, QRect(kStatus.right() - 162, kStatus.top() + 7, 156, 40), QStringLiteral("resultado"), QStringLiteral("Resultado") };
    // The bar, in the map's places.
    const QStringList bar { QStringLiteral("volver"), QStringLiteral("escuchar"), QStringLiteral("frases"), QStringLiteral("sonido"),
        QStringLiteral("volumen"), QStringLiteral("glosario"), QStringLiteral("explorar") };
    const QStringList labels { QStringLiteral("Volver"), QStringLiteral("Escuchar"), QStringLiteral("Frases"), QStringLiteral("Sonido"),
        QStringLiteral("Volumen"), QStringLiteral("Glosario"), QStringLiteral("Explorar") };
    const int actions[] = { 15, 42, 43, 45, 44, 41, 28 };
    for (qsizetype i = 0; i < bar.size(); ++i)
        list << Button { actions[i], 0, QRect(13 + int(i) * 62, 432, 56, 44), bar.at(i), labels.at(i) };
    return list;
}

QList<TestArtRecipe::Button> TestArtRecipe::panelButtons()
{
    return {
        { 38, 5, QRect(10, 28, 170, 36), QStringLiteral("vista"), QStringLiteral("Ver la postal") },
        { 39, 5, QRect(10, 68, 170, 36), QStringLiteral("salir"), QStringLiteral("Salir del curso") },
    };
}

QSize TestArtRecipe::panelSize()
{
    return QSize(190, 114);
}

QList<TestArtRecipe::Label> TestArtRecipe::labels()
{
    QList<Label> list;
    for (int answer = 1; answer <= 4; ++answer) {
        const QRect strip = answerStrip(answer);
        list << Label { answer, QRect(strip.left() + 66, strip.top() + 10, strip.width() - 80, 28) };
    }
    list << Label { 5, QRect(kBoard.left() + 60, kBoard.top() + 10, kBoard.width() - 76, kBoard.height() - 20) }
         << Label { 6, QRect(kStatus.left() + 258, kStatus.top() + 12, 180, 30) }
         << Label { 7, QRect(kStatus.left() + 84, kStatus.top() + 13, 60, 28) };
    return list;
}

void TestArtRecipe::addKinds(MediaRecipes& recipes, const QString& outputFolder)
{
    recipes.addKind(QStringLiteral("testscreen"), [outputFolder](const MediaRecipes::Recipe& r) { make(r, outputFolder); });
}

void TestArtRecipe::make(const MediaRecipes::Recipe& r, const QString& outputFolder)
{
    const QString folder = outputFolder + QLatin1Char('/') + r.required(QStringLiteral("folder")) + QLatin1Char('/');
    const QString title = r.required(QStringLiteral("title"));
    const QString fourth = r.required(QStringLiteral("fourth"));
    const QImage rest = renderScreen(title, fourth, Look::AtRest);
    const QImage lit = renderScreen(title, fourth, Look::Lit);
    DrawingKit::savePicture(rest, r.output);
    for (const Button& b : buttons()) {
        const QImage litButton = lit.copy(b.rect);
        DrawingKit::savePicture(litButton, folder + b.name + QStringLiteral(".bmp"));
        if (b.role < 1 || b.role > 4)
            DrawingKit::savePicture(pressedOf(litButton), folder + b.name + QStringLiteral("_pulsado.bmp"));
    }
    // The answer buttons share their pressed picture and the marker, both over the ground at rest.
    const QImage ground = rest.copy(answerBadge(1));
    DrawingKit::savePicture(renderCorrect(ground), folder + QStringLiteral("correcta.bmp"));
    DrawingKit::savePicture(renderMarker(ground), folder + QStringLiteral("marca.bmp"));

    DrawingKit::savePicture(renderPanel(Look::AtRest), folder + QStringLiteral("panel.bmp"));
    const QImage litPanel = renderPanel(Look::Lit);
    for (const Button& b : panelButtons())
        DrawingKit::savePicture(litPanel.copy(b.rect), folder + QStringLiteral("panel_") + b.name + QStringLiteral(".bmp"));
}
