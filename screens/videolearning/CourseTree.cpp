#include "CourseTree.h"

#include "AttemptSummary.h"
#include "CourseError.h"
#include "Database.h"
#include "ModuleState.h"
#include "Navigator.h"
#include "OwnLessonSource.h"
#include "Recordset.h"
#include "Shell.h"
#include "Trace.h"
#include "VisitedLessons.h"

#include <QJsonObject>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <cmath>

namespace {

constexpr int KeyRole = Qt::UserRole;
constexpr int IconRole = Qt::UserRole + 1;

// Video learning lists the chapters of the conversation lessons only: those numbered 11 to 50.
constexpr int FirstLearningChapter = 11;
constexpr int LastLearningChapter = 50;
constexpr int MapKind = 1;
constexpr int VideoLearningKind = 12;
constexpr int HomeMap = 1;

} // namespace

CourseTree::CourseTree(Shell& shell, QWidget* parent, Variant variant)
    : QTreeWidget(parent)
    , m_shell(shell)
    , m_variant(variant)
{
    setObjectName(QStringLiteral("arbol"));
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setUniformRowHeights(true); // every row has one line of text and one icon
    setSelectionMode(QAbstractItemView::SingleSelection);
    viewport()->setMouseTracking(true);
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        const QString clicked = key(item);
        const bool ofLesson = clicked.startsWith(QLatin1Char('R')) || clicked.startsWith(QLatin1Char('N'));
        traceTree(QStringLiteral("click"), clicked, ofLesson ? clicked.mid(1).trimmed().toInt() : 0);
        Q_EMIT nodeClicked(item);
    });
    connect(this, &QTreeWidget::itemExpanded, this, &CourseTree::nodeExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &CourseTree::nodeCollapsed);
}

CourseTree::~CourseTree() = default;

QString CourseTree::nodeKey(QChar letter, int number)
{
    // The sign place: a blank before a number that is not negative.
    return number < 0 ? letter + QString::number(number) : letter + QLatin1Char(' ') + QString::number(number);
}

qint16 CourseTree::keyNumber(const QString& key)
{
    bool ok = false;
    const double value = key.mid(1).trimmed().toDouble(&ok);
    // Halves go to the even neighbour, as the conversion that wrote these keys rounds.
    const double rounded = std::nearbyint(value);
    if (!ok || !std::isfinite(value) || rounded < -32768 || rounded > 32767)
        throw CourseError(QStringLiteral("tree node key '%1' holds no lesson number").arg(key));
    return qint16(rounded);
}

QString CourseTree::key(const QTreeWidgetItem* item)
{
    return item ? item->data(0, KeyRole).toString() : QString();
}

QString CourseTree::nodeIcon(const QTreeWidgetItem* item)
{
    return item ? item->data(0, IconRole).toString() : QString();
}

void CourseTree::setNodeIcon(QTreeWidgetItem* item, const QString& icon)
{
    if (!icon.isEmpty() && !m_icons.contains(icon))
        throw CourseError(QStringLiteral("the tree has no icon \"%1\"").arg(icon));
    item->setData(0, IconRole, icon);
    item->setIcon(0, icon.isEmpty() ? QIcon() : m_icons.value(icon));
}

QString CourseTree::variantName() const
{
    return m_variant == Explorer ? QStringLiteral("explorer") : QStringLiteral("videolearning");
}

void CourseTree::traceTree(const QString& op, const QString& nodeKeyText, int lesson)
{
    QJsonObject fields { { QStringLiteral("op"), op }, { QStringLiteral("variant"), variantName() } };
    if (!nodeKeyText.isEmpty())
        fields.insert(QStringLiteral("key"), nodeKeyText);
    if (lesson != 0)
        fields.insert(QStringLiteral("lesson"), lesson);
    fields.insert(QStringLiteral("nodes"), nodeCount());
    m_shell.trace().event("tree", fields);
}

QIcon CourseTree::rowIcon(const Recordset& row, const QString& column) const
{
    const QString name = row.text(column);
    const QString what = QStringLiteral("pantalla row of screen %1, objeto %2")
                             .arg(row.number(QStringLiteral("codigo")))
                             .arg(row.number(QStringLiteral("objeto")));
    if (name.trimmed().isEmpty())
        throw CourseError(QStringLiteral("%1: no picture in %2").arg(what, column));
    QString file;
    try {
        file = m_shell.state().Folder.require(name);
    } catch (const CourseError& error) {
        throw CourseError(QStringLiteral("%1, %2: %3").arg(what, column, error.message()));
    }
    const QPixmap picture(file);
    if (picture.isNull())
        throw CourseError(QStringLiteral("%1, %2: picture %3 cannot be read (%4)").arg(what, column, name.trimmed(), file));
    return QIcon(picture);
}

void CourseTree::placeFromRow(const Recordset& row)
{
    setGeometry(int(row.number(QStringLiteral("X"))), int(row.number(QStringLiteral("Y"))),
        int(row.number(QStringLiteral("ancho"))), int(row.number(QStringLiteral("alto"))));
    QFont face(row.text(QStringLiteral("Font")));
    if (const double points = row.value(QStringLiteral("tamanofont")).toDouble(); points > 0)
        face.setPointSizeF(points);
    setFont(face);

    const QIcon unvisited = rowIcon(row, QStringLiteral("bitmapreposo"));
    m_icons.insert(UnvisitedIcon, unvisited);
    m_icons.insert(SecondIcon, rowIcon(row, QStringLiteral("bitmapactivable")));
    if (m_variant == VideoLearning)
        m_icons.insert(ThirdIcon, rowIcon(row, QStringLiteral("bitmapactivo")));
    // Every icon of the list is drawn at the size of the first, as an icon list holds them.
    if (const QList<QSize> sizes = unvisited.availableSizes(); !sizes.isEmpty())
        setIconSize(sizes.first());
}

void CourseTree::addKindIcon(const Recordset& row)
{
    bool ok = false;
    const QString kindText = row.text(QStringLiteral("bitmapactivable"));
    const int kind = kindText.trimmed().toInt(&ok);
    if (!ok)
        throw CourseError(QStringLiteral("pantalla row of screen %1, objeto %2: bitmapactivable \"%3\" is not a lesson kind")
                              .arg(row.number(QStringLiteral("codigo")))
                              .arg(row.number(QStringLiteral("objeto")))
                              .arg(kindText));
    m_icons.insert(QStringLiteral("I%1").arg(kind), rowIcon(row, QStringLiteral("bitmapreposo")));
}

VisitedLessons& CourseTree::visitedLessons()
{
    if (!m_visited) {
        ModuleState& state = m_shell.state();
        if (!state.UserDb && !state.Learner)
            throw CourseError(QStringLiteral("the learner database is not open: visited lessons cannot be read"));
        LearnerStore& store = learnerStore(state);
        m_visited = std::make_unique<VisitedLessons>(store, m_shell.trace());
        // Records that come in later (from the classroom server, once it answers) show at once.
        store.setChangeListener([tree = QPointer<CourseTree>(this)] {
            if (tree && tree->topLevelItemCount() > 0)
                tree->m_shell.guarded([&] {
                    tree->Raiz();
                    tree->UpdateCompletionIcons();
                });
        });
    }
    return *m_visited;
}

QTreeWidgetItem* CourseTree::addNode(const QString& parentKey, const QString& nodeKeyText, const QString& text, const QString& icon, int lesson)
{
    QTreeWidgetItem* parent = nullptr;
    if (!parentKey.isEmpty()) {
        parent = m_nodes.value(parentKey);
        if (!parent) {
            // Below a node the variant left out, nothing is missing: it is left out too.
            if (m_leftOut.contains(parentKey))
                m_leftOut.insert(nodeKeyText);
            else
                traceTree(QStringLiteral("orphan"), nodeKeyText, lesson);
            return nullptr;
        }
    }
    if (m_nodes.contains(nodeKeyText)) {
        traceTree(QStringLiteral("duplicate"), nodeKeyText, lesson);
        return nullptr;
    }
    auto* item = new QTreeWidgetItem(QStringList { text });
    item->setData(0, KeyRole, nodeKeyText);
    setNodeIcon(item, icon);
    if (parent)
        parent->addChild(item);
    else
        addTopLevelItem(item);
    m_nodes.insert(nodeKeyText, item);
    return item;
}

void CourseTree::Raiz()
{
    ModuleState& state = m_shell.state();
    const bool learning = m_variant == VideoLearning;
    // Everything that can fail is opened first, so that a failure leaves the tree as it was.
    for (const QString& icon : { UnvisitedIcon, SecondIcon, ThirdIcon }) {
        if (!m_icons.contains(icon) && (learning || icon != ThirdIcon))
            throw CourseError(QStringLiteral("the course tree has no icon \"%1\": the screen has no pantalla row with objeto 16 "
                                             "giving the tree its pictures").arg(icon));
    }
    if (learning && m_visited)
        m_visited->reload(); // the learner's work may have been erased since
    else if (learning)
        visitedLessons();
    if (!state.UserFolder.isEmpty())
        settleOwnNumbers();
    const QList<OwnLessons::Lesson> own =
        state.UserFolder.isEmpty() ? QList<OwnLessons::Lesson>() : OwnLessonSource(state.UserFolder, m_shell.trace()).lessons();
    auto maps = state.ContentDb->openRecordset(QStringLiteral("nombrenodoraiz"));
    auto chapters = state.ContentDb->openRecordset(QStringLiteral("capitulos"));
    auto lessons = state.ContentDb->openRecordset(QStringLiteral("clecciones"));
    clear();
    m_nodes.clear();
    m_leftOut.clear();

    // The queries give maps before their chapters and chapters before their lessons; a
    // sub-map's node is made among its parent map's lessons, before its own row comes.
    for (; !maps->isEof(); maps->moveNext()) {
        const int map = int(maps->number(QStringLiteral("N_leccion")));
        const QString mapKey = nodeKey(QLatin1Char('R'), map);
        if (map == HomeMap)
            addNode({}, mapKey, maps->text(QStringLiteral("nombre_leccion")), learning ? ThirdIcon : UnvisitedIcon, map);

        const QString ofMap = QStringLiteral("n_leccion = %1").arg(map);
        for (bool found = chapters->findFirst(ofMap); found; found = chapters->findNext(ofMap)) {
            const int chapter = int(chapters->number(QStringLiteral("N_capitulo")));
            const QString chapterKey = nodeKey(QLatin1Char('C'), chapter);
            if (learning && (chapter < FirstLearningChapter || chapter > LastLearningChapter)) {
                m_leftOut.insert(chapterKey);
                continue;
            }
            addNode(mapKey, chapterKey, chapters->text(QStringLiteral("nombre_capitulo")), learning ? ThirdIcon : SecondIcon, map);
        }

        const QString underMap = QStringLiteral("N_leccion_viene = %1").arg(map);
        for (bool found = lessons->findFirst(underMap); found; found = lessons->findNext(underMap)) {
            const int lesson = int(lessons->number(QStringLiteral("N_leccion")));
            const int kind = int(lessons->number(QStringLiteral("tipo")));
            if (learning && kind != MapKind && kind != VideoLearningKind)
                continue;
            QString icon;
            QChar letter = QLatin1Char('N');
            if (kind == MapKind) {
                letter = QLatin1Char('R');
                icon = learning ? QString() : UnvisitedIcon;
            } else if (learning) {
                icon = visitedLessons().IsLessonVisited(qint16(lesson)) ? SecondIcon : UnvisitedIcon;
            } else {
                icon = QStringLiteral("I%1").arg(kind);
                if (!m_icons.contains(icon))
                    icon.clear(); // a kind the course gives no icon: the lesson is listed without one
            }
            const QString parentKey = nodeKey(QLatin1Char('C'), int(lessons->number(QStringLiteral("N_capitulo_viene"))));
            QTreeWidgetItem* item = addNode(parentKey, nodeKey(letter, lesson), lessons->text(QStringLiteral("nombre_leccion")), icon, lesson);
            if (item && !learning && Navigator::ScreenWindow(kind) == QLatin1String("frmtest"))
                showAttempts(item, qint16(lesson));
            if (item && lesson == state.CurrentLesson && (!learning || kind == VideoLearningKind))
                selectCurrent(item);
        }
    }
    addOwnLessons(own);
    if (state.CurrentLesson == HomeMap && topLevelItemCount() > 0)
        topLevelItem(0)->setExpanded(true);
    m_leftOut.clear();
    traceTree(QStringLiteral("build"), {}, 0);
}

void CourseTree::selectCurrent(QTreeWidgetItem* item)
{
    // Selecting alone opens nothing, shown or hidden; the screen decides when the node
    // comes into view (video learning at once, the explorer on activation).
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    setCurrentItem(item);
    setAutoScroll(scrolls);
    if (m_variant == VideoLearning)
        scrollToItem(item);
}

void CourseTree::addOwnLessons(const QList<OwnLessons::Lesson>& own)
{
    // The learner's own videos are conversation lessons of a chapter of their own under the
    // root, shown once he has one.
    const QString rootKey = nodeKey(QLatin1Char('R'), HomeMap);
    if (own.isEmpty() || !m_nodes.contains(rootKey))
        return;
    const bool learning = m_variant == VideoLearning;
    const QString chapterKey = nodeKey(QLatin1Char('C'), OwnLessons::ChapterNumber);
    if (!addNode(rootKey, chapterKey, OwnLessons::ChapterTitle, learning ? ThirdIcon : SecondIcon, 0))
        return;
    const QString kindIcon = QStringLiteral("I%1").arg(VideoLearningKind);
    for (const OwnLessons::Lesson& lesson : own) {
        QString icon;
        if (learning)
            icon = visitedLessons().IsLessonVisited(lesson.number) ? SecondIcon : UnvisitedIcon;
        else if (m_icons.contains(kindIcon))
            icon = kindIcon;
        QTreeWidgetItem* item = addNode(chapterKey, nodeKey(QLatin1Char('N'), lesson.number), lesson.title, icon, lesson.number);
        if (item) {
            item->setToolTip(0, lesson.video);
            if (lesson.number == m_shell.state().CurrentLesson)
                selectCurrent(item);
        }
    }
}

void CourseTree::showAttempts(QTreeWidgetItem* item, qint16 lesson)
{
    try {
        const std::vector<TestAttempt> attempts = learnerStore(m_shell.state()).attempts(lesson);
        const std::optional<qint32> best = LearnerStore::bestOf(attempts);
        item->setText(0, item->text(0) + AttemptSummary::bestCaption(best));
        item->setToolTip(0, AttemptSummary::history(attempts));
        m_shell.trace().event("tree",
            { { QStringLiteral("op"), QStringLiteral("attempts") }, { QStringLiteral("lesson"), lesson },
                { QStringLiteral("count"), qint64(attempts.size()) }, { QStringLiteral("best"), best ? QJsonValue(*best) : QJsonValue() } });
    } catch (const CourseError& error) {
        // Without the learner's records the lesson is still listed and opens as ever.
        m_shell.trace().event("tree", { { QStringLiteral("op"), QStringLiteral("attempts") }, { QStringLiteral("lesson"), lesson },
                                          { QStringLiteral("error"), error.message() } });
    }
}

bool CourseTree::markComplete(QTreeWidgetItem* item)
{
    bool complete = nodeIcon(item) != UnvisitedIcon || !key(item).startsWith(QLatin1Char('N'));
    for (int i = 0; i < item->childCount(); ++i)
        complete = markComplete(item->child(i)) && complete;
    if (key(item).startsWith(QLatin1Char('C')))
        setNodeIcon(item, complete ? SecondIcon : ThirdIcon);
    return complete;
}

void CourseTree::UpdateCompletionIcons()
{
    // A chapter is complete when no lesson beneath it, in a sub-map too, is unvisited;
    // the root when every one of its chapters is.
    QTreeWidgetItem* root = topLevelItemCount() > 0 ? topLevelItem(0) : nullptr;
    if (!root || m_variant != VideoLearning)
        return;
    bool allComplete = true;
    for (int i = 0; i < root->childCount(); ++i)
        allComplete = markComplete(root->child(i)) && allComplete;
    setNodeIcon(root, allComplete ? SecondIcon : ThirdIcon);
}

void CourseTree::showSelectedNode()
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    if (!selected.isEmpty())
        scrollToItem(selected.first());
}

void CourseTree::mouseMoveEvent(QMouseEvent* event)
{
    Q_EMIT pointerMoved(event->position().toPoint());
    QTreeWidget::mouseMoveEvent(event);
}

void CourseTree::mousePressEvent(QMouseEvent* event)
{
    Q_EMIT pointerPressed(event->button(), event->position().toPoint());
    QTreeWidget::mousePressEvent(event);
}

void CourseTree::settleOwnNumbers()
{
    // A course numbering lessons of its own where the learner's lay: his move past them,
    // with their takes and their visits (the old number's visit row stays: it cannot be
    // told from the course lesson's own).
    const QList<std::pair<qint16, qint16>> moved = OwnLessons(m_shell.state().UserFolder).renumberColliding();
    if (moved.isEmpty())
        return;
    VisitedLessons visits(learnerStore(m_shell.state()), m_shell.trace());
    for (const auto& [from, to] : moved) {
        if (visits.IsLessonVisited(from))
            visits.MarkLessonVisited(to);
        m_shell.trace().event("ownvideo", { { QStringLiteral("op"), QStringLiteral("renumber") }, { QStringLiteral("from"), from },
                                              { QStringLiteral("to"), to } });
    }
    if (m_visited)
        m_visited->reload();
}
