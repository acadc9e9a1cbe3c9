#include "ComponentError.h"
#include "ComponentLibrary.h"
#include "ComponentRegistry.h"
#include "ControlFactory.h"
#include "CourseError.h"
#include "MapPropertyBag.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

const QString ProgId = QStringLiteral("rolda.etidesp2");
const QString ClassId = QStringLiteral("{C8F79B99-0B62-4297-90B0-3AB1A1DD9709}");

enum class Setup { Empty, MissingLibrary, NotALibrary, ForeignClass, Damaged };

}

Q_DECLARE_METATYPE(Setup)

class tst_controlregistry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void registerCreateUnregister();
    void creationFailsNamingTheControl_data();
    void creationFailsNamingTheControl();
    void unregisterRemovesOnlyItsOwnEntry();
    void damagedRegistryIsNotOverwritten();
    void registrationTool();
    void installationRegistrationMovesWithTheInstallation();
    void systemRegistriesComeAfterTheUsers();
    void storedPropertiesThroughTheFactory();

private:
    QString registryPath() const { return ComponentRegistry::defaultFilePath(); }
    QString createFailure(const QString& programmaticId) const;

    QTemporaryDir m_config;
};

void tst_controlregistry::initTestCase()
{
    // Never the real user's registry: QStandardPaths reads the variable at every call.
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QCOMPARE(registryPath(), m_config.path() + QStringLiteral("/tamsel/components.json"));
}

void tst_controlregistry::init()
{
    QFile::remove(registryPath());
}

QString tst_controlregistry::createFailure(const QString& programmaticId) const
{
    QWidget parent;
    try {
        ControlFactory().create(programmaticId, &parent);
    } catch (const CourseError& e) {
        return e.message();
    }
    return {};
}

void tst_controlregistry::registerCreateUnregister()
{
    ComponentLibrary library(QStringLiteral(ROLDA_LIBRARY));
    library.registerServer();
    const std::optional<ComponentClass> entry = ComponentRegistry().find(QStringLiteral("Rolda.Etidesp2"));
    QVERIFY(entry);
    QCOMPARE(*entry, (ComponentClass{ProgId, QStringLiteral("etidesp2"), ClassId,
                                     QFileInfo(QStringLiteral(ROLDA_LIBRARY)).canonicalFilePath(), QStringLiteral("rolda"),
                                     QStringLiteral("{0A7BB7B8-E680-467F-B366-C2E6663C7672}"), QStringLiteral("1.00")}));

    auto parent = std::make_unique<QWidget>();
    QWidget* control = ControlFactory().create(ProgId, parent.get());
    QVERIFY(control);
    QCOMPARE(control->parent(), parent.get());
    QCOMPARE(control->metaObject()->className(), "etidesp2");
    // A host that does not link the library drives it by name, as the glossary does.
    QSignalSpy change(control, SIGNAL(Change()));
    QVERIFY(control->setProperty("Text", QStringLiteral("hola")));
    QVERIFY(QMetaObject::invokeMethod(control, "MeterTexto", Q_ARG(QString, QStringLiteral("adiós"))));
    QCOMPARE(control->property("Text").toString(), QStringLiteral("adiós"));
    QCOMPARE(change.count(), 2);

    QVERIFY(!library.canUnloadNow());
    parent.reset();
    QVERIFY(library.canUnloadNow());

    library.unregisterServer();
    QVERIFY(!ComponentRegistry().find(ProgId));
    const QString failure = createFailure(ProgId);
    QVERIFY2(failure.contains(ProgId) && failure.contains(QStringLiteral("not registered")), qPrintable(failure));
}

void tst_controlregistry::creationFailsNamingTheControl_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("named"); // besides the identifier

    QTest::newRow("not registered") << Setup::Empty << "not registered";
    QTest::newRow("library missing") << Setup::MissingLibrary << "/nonexistent/librolda.so";
    QTest::newRow("not a library") << Setup::NotALibrary << "libfalsa.so";
    QTest::newRow("class not provided") << Setup::ForeignClass << "provides no class";
    QTest::newRow("registry damaged") << Setup::Damaged << "components.json is damaged";
}

void tst_controlregistry::creationFailsNamingTheControl()
{
    QFETCH(Setup, setup);
    QFETCH(QString, named);
    const QString fake = m_config.filePath(QStringLiteral("libfalsa.so"));
    ComponentClass entry{ProgId, QStringLiteral("etidesp2"), ClassId, QString(), QStringLiteral("rolda"), QString(),
                         QStringLiteral("1.00")};
    switch (setup) {
    case Setup::Empty:
        break;
    case Setup::MissingLibrary:
        entry.library = QStringLiteral("/nonexistent/librolda.so");
        ComponentRegistry().add(entry);
        break;
    case Setup::NotALibrary: {
        QFile file(fake);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("no soy una biblioteca");
        entry.library = fake;
        ComponentRegistry().add(entry);
        break;
    }
    case Setup::ForeignClass:
        entry.library = QStringLiteral(ROLDA_LIBRARY);
        entry.classId = QStringLiteral("{00000000-0000-0000-0000-000000000001}");
        ComponentRegistry().add(entry);
        break;
    case Setup::Damaged: {
        QVERIFY(QDir().mkpath(QFileInfo(registryPath()).absolutePath()));
        QFile file(registryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"classes\": {\"rolda.etidesp2\": ");
        break;
    }
    }
    const QString failure = createFailure(ProgId);
    QVERIFY2(failure.contains(ProgId) && failure.contains(named), qPrintable(failure));
}

void tst_controlregistry::unregisterRemovesOnlyItsOwnEntry()
{
    const ComponentClass other{QStringLiteral("otro.control"), QStringLiteral("otro"),
                               QStringLiteral("{11111111-2222-3333-4444-555555555555}"), QStringLiteral("/opt/otro.so"),
                               QStringLiteral("otro"), QString(), QStringLiteral("2.00")};
    ComponentRegistry().add(other);
    ComponentLibrary library(QStringLiteral(ROLDA_LIBRARY));
    library.registerServer();
    library.unregisterServer();
    QVERIFY(!ComponentRegistry().find(ProgId));
    QCOMPARE(ComponentRegistry().find(other.programmaticId), other);

    // The same identifier taken over by another library's class stays registered.
    ComponentClass takenOver = other;
    takenOver.programmaticId = ProgId;
    ComponentRegistry().add(takenOver);
    library.unregisterServer();
    QCOMPARE(ComponentRegistry().find(ProgId), takenOver);
}

void tst_controlregistry::damagedRegistryIsNotOverwritten()
{
    QVERIFY(QDir().mkpath(QFileInfo(registryPath()).absolutePath()));
    const QByteArray damaged = "{\"classes\": [";
    {
        QFile file(registryPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
    }
    ComponentLibrary library(QStringLiteral(ROLDA_LIBRARY));
    QVERIFY_THROWS_EXCEPTION(ComponentError, library.registerServer());
    QFile file(registryPath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), damaged);
}

void tst_controlregistry::registrationTool()
{
    const auto run = [](const QStringList& arguments, QByteArray* errors = nullptr) {
        QProcess tool;
        tool.start(QStringLiteral(REGCONTROL_TOOL), arguments);
        if (!tool.waitForFinished(30000))
            return -1;
        if (errors)
            *errors = tool.readAllStandardError();
        return tool.exitCode();
    };
    QCOMPARE(run({QStringLiteral(ROLDA_LIBRARY)}), 0);
    QVERIFY(ComponentRegistry().find(ProgId));
    QCOMPARE(run({QStringLiteral("--unregister"), QStringLiteral(ROLDA_LIBRARY)}), 0);
    QVERIFY(!ComponentRegistry().find(ProgId));

    QByteArray errors;
    QCOMPARE(run({QStringLiteral("/nonexistent/librolda.so")}, &errors), 1);
    QVERIFY2(errors.contains("/nonexistent/librolda.so"), errors.constData());
    QCOMPARE(run({}, &errors), 2);
    QVERIFY2(errors.contains("BIBLIOTECA"), errors.constData());
}

void tst_controlregistry::installationRegistrationMovesWithTheInstallation()
{
    // An installation as make install lays it out, staged in a temporary folder.
    QTemporaryDir root;
    const QString staged = root.filePath(QStringLiteral("staged"));
    QVERIFY(QDir().mkpath(staged + QStringLiteral("/bin")));
    QVERIFY(QDir().mkpath(staged + QStringLiteral("/lib/tamsel")));
    QVERIFY(QFile::copy(QStringLiteral(REGCONTROL_TOOL), staged + QStringLiteral("/bin/tamsel-regcontrol")));
    QVERIFY(QFile::copy(QStringLiteral(ROLDA_LIBRARY), staged + QStringLiteral("/lib/tamsel/librolda.so")));
    const auto run = [](const QString& prefix, QStringList arguments) {
        QProcess tool;
        tool.start(prefix + QStringLiteral("/bin/tamsel-regcontrol"), QStringList{QStringLiteral("--system")} + arguments);
        if (!tool.waitForFinished(30000))
            return QByteArray("(no end)");
        return tool.exitCode() == 0 ? QByteArray() : tool.readAllStandardError();
    };

    QCOMPARE(run(staged, {staged + QStringLiteral("/lib/tamsel/librolda.so")}), QByteArray());
    const QString registry = QStringLiteral("/share/tamsel/components.json");
    QFile file(staged + registry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY2(file.readAll().contains("\"library\": \"../../lib/tamsel/librolda.so\""), "the library is not named relative to the registry");
    QVERIFY2(!QFileInfo::exists(registryPath()), "the user's registry was written");

    // Moved whole to where it is installed, the registration still names its library.
    const QString installed = root.filePath(QStringLiteral("usr"));
    QVERIFY(QDir().rename(staged, installed));
    const std::optional<ComponentClass> entry = ComponentRegistry(installed + registry).find(ProgId);
    QVERIFY(entry);
    QCOMPARE(entry->library, installed + QStringLiteral("/lib/tamsel/librolda.so"));
    QWidget parent;
    QCOMPARE(ControlFactory(installed + registry).create(ProgId, &parent)->metaObject()->className(), "etidesp2");

    QCOMPARE(run(installed, {QStringLiteral("--unregister"), installed + QStringLiteral("/lib/tamsel/librolda.so")}), QByteArray());
    QVERIFY(!ComponentRegistry(installed + registry).find(ProgId));
    const QByteArray missing = run(installed, {installed + QStringLiteral("/lib/tamsel/libnone.so")});
    QVERIFY2(missing.contains("libnone.so"), missing.constData());
}

void tst_controlregistry::systemRegistriesComeAfterTheUsers()
{
    QTemporaryDir admin;
    const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(admin.path() + QStringLiteral(":/etc/xdg")));
    const QStringList system = ComponentRegistry::systemFilePaths();
    qputenv("XDG_CONFIG_DIRS", saved);
    const QString installation = QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/tamsel/components.json"));
    QCOMPARE(ComponentRegistry::installationFilePath(), installation);
    QCOMPARE(system, (QStringList{admin.filePath(QStringLiteral("tamsel/components.json")),
                                  QStringLiteral("/etc/xdg/tamsel/components.json"), installation}));
}

void tst_controlregistry::storedPropertiesThroughTheFactory()
{
    ComponentLibrary(QStringLiteral(ROLDA_LIBRARY)).registerServer();
    QWidget parent;
    QWidget* control = ControlFactory().create(ProgId, &parent);

    // The glossary's instances: font "MS Sans Serif" at 8.25 points, enabled.
    const MapPropertyBag stored({{"FontName", QStringLiteral("MS Sans Serif")}, {"FontSize", 8.25f}, {"Enabled", true}});
    ControlFactory::readProperties(control, stored);
    QCOMPARE(control->property("FontName").toString(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(control->property("FontSize").toFloat(), 8.25f);
    QVERIFY(control->property("Enabled").toBool());

    const MapPropertyBag unusable({{"FontSize", QStringLiteral("grande")}});
    try {
        ControlFactory::readProperties(control, unusable);
        QFAIL("the unusable entry was accepted");
    } catch (const CourseError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("etidesp2")) && e.message().contains(QStringLiteral("FontSize")),
                 qPrintable(e.message()));
    }
    QWidget plain;
    QVERIFY_THROWS_EXCEPTION(CourseError, ControlFactory::readProperties(&plain, stored));
}

QTEST_MAIN(tst_controlregistry)
#include "tst_controlregistry.moc"
