// `make install` into a temporary DESTDIR, then the installed player started as a user
// who chose it from the desktop's menu: no argument, a home folder it has never seen, an
// X display. It must play its own course, set the user up, and create the glossary's
// control from the installation's registration of rolda.
#include "FixtureCourse.h"
#include "PointerEvents.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

// Not a prefix of this machine, and not a configuration folder the system searches: the
// installation can only find its own files from the program's folder.
const QString prefix = QStringLiteral("/opt/tamsel-test");

struct Finished {
    int exitCode = -1;
    QString output;
};

Finished runTool(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return { -1, program + QStringLiteral(" did not finish: ") + process.errorString() };
    return { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromLocal8Bit(process.readAll()) };
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_installed; // DESTDIR + prefix

    QString installed(const QString& name) const { return m_installed + QLatin1Char('/') + name; }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        const QString destdir = m_root.filePath(QStringLiteral("dest"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destdir);
        const Finished install = runTool(QStringLiteral(CMAKE_COMMAND), { QStringLiteral("--install"), QStringLiteral(TAMSEL_BINARY_DIR), QStringLiteral("--prefix"), prefix }, env);
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
        m_installed = destdir + prefix;
    }

    void installedPlayerSetsUpItsUserAndFindsRolda()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("needs an X server: run under xvfb-run (ctest does)");
        const QString home = m_root.filePath(QStringLiteral("home"));
        const QString runtime = m_root.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        for (const char* own : { "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME" })
            env.remove(QString::fromLatin1(own));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        // No system folder may stand in for the installation's own registration.
        env.insert(QStringLiteral("XDG_CONFIG_DIRS"), m_root.filePath(QStringLiteral("no-system-config")));

        PlayerRun player(installed(QStringLiteral("bin/tamsel")), env, m_root.filePath(QStringLiteral("trace.jsonl")));
        const auto stage = player.startOnDisplay();
        QVERIFY2(!player.events(QStringLiteral("screen.activate")).isEmpty(), qPrintable(player.standardError()));
        QCOMPARE(player.events(QStringLiteral("start")).first().value(QStringLiteral("program_folder")).toString(),
            installed(QStringLiteral("share/tamsel/course/")));
        const QList<QJsonObject> firstRun = player.events(QStringLiteral("first_run"));
        QCOMPARE(firstRun.size(), 1);
        QCOMPARE(firstRun.first().value(QStringLiteral("config")).toString(), home + QStringLiteral("/.config/tamsel/"));
        QCOMPARE(firstRun.first().value(QStringLiteral("data")).toString(), home + QStringLiteral("/.local/share/tamsel/"));
        // The learner's copy is named after the installed course's folder.
        const QString learner = firstRun.first().value(QStringLiteral("learner")).toString();
        const QString data = home + QStringLiteral("/.local/share/tamsel/");
        QVERIFY2(learner.startsWith(data)
                && QRegularExpression(QStringLiteral("^course-[0-9a-f]{8}/usrcurso\\.mdb$")).match(learner.mid(data.size())).hasMatch(),
            qPrintable(learner));
        QCOMPARE(player.events(QStringLiteral("db.open")).last().value(QStringLiteral("file")).toString(), learner);

        // A click leaves the introduction for the map; the map's glossary button opens it.
        PointerEvents::clickAt(stage, 320, 240);
        QTRY_VERIFY_WITH_TIMEOUT(player.events(QStringLiteral("screen.activate")).last().value(QStringLiteral("window")) == QStringLiteral("frmms"), 15000);
        PointerEvents::clickAt(stage, 323 + 28, 432 + 22);
        QTRY_VERIFY_WITH_TIMEOUT(!player.events(QStringLiteral("control.create")).isEmpty(), 15000);
        const QJsonObject created = player.events(QStringLiteral("control.create")).first();
        QCOMPARE(created.value(QStringLiteral("progid")).toString(), QStringLiteral("rolda.etidesp2"));
        QCOMPARE(created.value(QStringLiteral("registry")).toString(), installed(QStringLiteral("share/tamsel/components.json")));
        QCOMPARE(created.value(QStringLiteral("library")).toString(), installed(QStringLiteral("lib/tamsel/librolda.so")));
        QTRY_VERIFY(!player.events(QStringLiteral("glossary")).isEmpty());
        QVERIFY2(player.events(QStringLiteral("glossary")).first().value(QStringLiteral("count")).toInt() > 0, "the glossary opened empty");
        QVERIFY2(!QFileInfo::exists(home + QStringLiteral("/.config/tamsel/components.json")), "the user's registry was written");
        QVERIFY(player.events(QStringLiteral("error")).isEmpty());
    }

    void menuEntryAndDescriptionAreValid_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("file");
        QTest::newRow("menu entry") << "desktop-file-validate" << QStringList() << "share/applications/org.tamsel.Tamsel.desktop";
        QTest::newRow("AppStream") << "appstreamcli" << QStringList { "validate", "--no-net" } << "share/metainfo/org.tamsel.Tamsel.metainfo.xml";
    }

    void menuEntryAndDescriptionAreValid()
    {
        QFETCH(QString, tool);
        QFETCH(QStringList, options);
        QFETCH(QString, file);
        QVERIFY2(QFileInfo::exists(installed(file)), qPrintable(installed(file)));
        const Finished check = runTool(tool, options << installed(file));
        QVERIFY2(check.exitCode == 0, qPrintable(tool + QStringLiteral(": ") + check.output));
    }

    void iconsAreDrawnAtTheirSize()
    {
        const QString theme = installed(QStringLiteral("share/icons/hicolor"));
        const QRegularExpression folder(QStringLiteral("^(\\d+)x(\\d+)$"));
        QStringList sizes;
        const QStringList entries = QDir(theme).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& entry : entries) {
            const QRegularExpressionMatch size = folder.match(entry);
            QVERIFY2(size.hasMatch() && size.captured(1) == size.captured(2), qPrintable(entry));
            const QImage icon(theme + QLatin1Char('/') + entry + QStringLiteral("/apps/tamsel.png"));
            QCOMPARE(icon.size(), QSize(size.captured(1).toInt(), size.captured(1).toInt()));
            sizes << size.captured(1);
        }
        // What menus and software centres ask for.
        for (const char* wanted : { "16", "32", "48", "64", "128" })
            QVERIFY2(sizes.contains(QLatin1String(wanted)), qPrintable(sizes.join(QLatin1Char(' '))));
    }

    void manualPageListsEveryOption()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        const Finished help = runTool(installed(QStringLiteral("bin/tamsel")), { QStringLiteral("--help") }, env);
        QCOMPARE(help.exitCode, 0);
        const Finished page = runTool(QStringLiteral("zcat"), { installed(QStringLiteral("share/man/man1/tamsel.1.gz")) });
        QCOMPARE(page.exitCode, 0);
        const QRegularExpression option(QStringLiteral("^\\s+--([a-z-]+)"), QRegularExpression::MultilineOption);
        int options = 0;
        for (auto it = option.globalMatch(help.output); it.hasNext(); ++options) {
            const QString name = it.next().captured(1);
            QVERIFY2(page.output.contains(QStringLiteral("\\fB\\-\\-") + QString(name).replace(QLatin1Char('-'), QStringLiteral("\\-"))),
                qPrintable(QStringLiteral("--%1 is not in the manual page").arg(name)));
        }
        QVERIFY2(options >= 4, qPrintable(help.output));
        QVERIFY(page.output.contains(QStringLiteral(".SH FICHEROS")));
        // What --course takes besides a folder, and the setting that bounds the copies made of discs.
        for (const char* named : { "BIN/CUE", ".nrg", "/dev/sr0", "DiscCacheMB=" })
            QVERIFY2(page.output.contains(QLatin1String(named)), named);
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
