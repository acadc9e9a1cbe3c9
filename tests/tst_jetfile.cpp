// The Jet reader and its conversion into the stand-in: every fixture table against
// mdbtools' own export, Null against "", text encodings, passwords, the cache and the
// learner's copy, and damaged files.
#include "CourseError.h"
#include "Database.h"
#include "JetConverter.h"
#include "JetFile.h"
#include "JetFixture.h"
#include "JetStandIn.h"
#include "JetText.h"
#include "Recordset.h"
#include "Trace.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>

#include <glib.h>
#include <mdbtools.h>

namespace {

QStringList csvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            fields << field;
            field.clear();
        } else {
            field += c;
        }
    }
    fields << field;
    return fields;
}

QList<QStringList> mdbExport(const QString& file, const QString& table)
{
    QProcess export_;
    export_.start(QStringLiteral("mdb-export"),
        { QStringLiteral("-H"), QStringLiteral("-0"), QStringLiteral("~"), QStringLiteral("-D"), QStringLiteral("%Y-%m-%d %H:%M:%S"),
            QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table });
    if (!export_.waitForFinished(20000) || export_.exitCode() != 0)
        throw std::runtime_error("mdb-export failed on " + file.toStdString() + " (tools/setup-debian.sh installs mdbtools)");
    QList<QStringList> rows;
    const QStringList lines = QString::fromUtf8(export_.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines)
        rows << csvFields(line);
    return rows;
}

QByteArray fileHash(const QString& file)
{
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

int countEvents(const QString& traceFile, const QString& name)
{
    QFile f(traceFile);
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    int count = 0;
    while (!f.atEnd()) {
        if (QJsonDocument::fromJson(f.readLine()).object().value(QStringLiteral("ev")).toString() == name)
            ++count;
    }
    return count;
}

QList<QJsonObject> eventsOf(const QString& traceFile, const QString& name)
{
    QList<QJsonObject> found;
    QFile f(traceFile);
    if (f.open(QIODevice::ReadOnly)) {
        while (!f.atEnd()) {
            const QJsonObject event = QJsonDocument::fromJson(f.readLine()).object();
            if (event.value(QStringLiteral("ev")).toString() == name)
                found << event;
        }
    }
    return found;
}

qint64 rowsOf(const QString& copy, const QString& where = QStringLiteral("1"))
{
    auto db = Database::open(copy, ShareMode::Shared, AccessMode::ReadOnly, {});
    auto rows = db->openRecordset(QStringLiteral("select count(*) as n from Table1 where ") + where);
    return rows->number(QStringLiteral("n"));
}

mode_t modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : mode_t(-1);
}

// Removes COPY (in the data folder, outside the test's own folder) and whatever was set
// aside from it.
void removeWithItsOwn(const QString& copy)
{
    const QDir folder = QFileInfo(copy).dir();
    for (const QString& name : folder.entryList({ QFileInfo(copy).fileName() + QStringLiteral("*") }, QDir::Files))
        QFile::remove(folder.filePath(name));
}

void addVisitedRow(Database& db, int id)
{
    auto rows = db.openRecordset(QStringLiteral("Table1"), RecordsetType::Dynaset);
    rows->addNew();
    rows->setValue(QStringLiteral("ID"), id);
    rows->setValue(QStringLiteral("Data"), QStringLiteral("visited"));
    rows->update();
}

// A second process of this test that opens a database through the stand-in, as a second
// player would: JETFILE_OPEN names the file, JETFILE_ADD (learner only) the ID of a row
// it appends. It prints the copy it opened and keeps it open until told on its input.
int openInChild(const QString& file)
{
    const QByteArray add = qgetenv("JETFILE_ADD");
    try {
        auto db = JetStandIn::open(file, ShareMode::Shared, add.isEmpty() ? AccessMode::ReadOnly : AccessMode::ReadWrite, {});
        if (!add.isEmpty())
            addVisitedRow(*db, add.toInt());
        std::printf("opened %s %d\n", qPrintable(db->storageFile()), db->openRecordset(QStringLiteral("Table1"))->recordCount());
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin))
            return 3;
    } catch (const CourseError& error) {
        std::printf("error %s\n", qPrintable(error.message()));
        return 2;
    }
    return 0;
}

} // namespace

class TestJetFile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString missing = JetFixture::folderError();
        if (!missing.isEmpty())
            QFAIL(qPrintable(missing));
        QVERIFY(m_dir.isValid());
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_CACHE_HOME", m_dir.filePath(QStringLiteral("cache")).toUtf8());
    }

    void typesAgainstExport_data()
    {
        QTest::addColumn<QString>("file");
        const QStringList files = QDir(JetFixture::folder()).entryList({ QStringLiteral("*.mdb") }, QDir::Files, QDir::Name);
        for (const QString& name : files)
            QTest::newRow(qPrintable(name)) << name;
    }
    void typesAgainstExport()
    {
        QFETCH(QString, file);
        const QString path = JetFixture::folder() + QLatin1Char('/') + file;
        const JetFile jet(path);
        const QStringList tables = jet.tables();
        for (const QString& table : tables) {
            const QList<JetColumn> columns = jet.columns(table);
            const QList<QStringList> expected = mdbExport(path, table);
            QList<QVariantList> rows;
            jet.readRows(table, [&](const QVariantList& row) { rows << row; });
            QCOMPARE(rows.size(), expected.size());
            for (qsizetype r = 0; r < rows.size(); ++r) {
                QCOMPARE(rows[r].size(), expected[r].size());
                for (qsizetype c = 0; c < columns.size(); ++c) {
                    const QVariant ours = rows[r][c];
                    const QString theirs = expected[r][c];
                    const QString where = QStringLiteral("%1 %2 row %3 column %4: ours %5, export %6")
                                              .arg(file, table).arg(r).arg(columns[c].name, ours.toString(), theirs);
                    switch (columns[c].type) {
                    case MDB_BOOL:
                        QVERIFY2((ours.toInt() != 0) == (theirs == QLatin1String("1")) && (ours.toInt() == 0 || ours.toInt() == -1), qPrintable(where));
                        break;
                    case MDB_BYTE: case MDB_INT: case MDB_LONGINT: case MDB_MONEY: case MDB_FLOAT: case MDB_DOUBLE: case MDB_NUMERIC:
                        QVERIFY2(qAbs(ours.toDouble() - theirs.toDouble()) <= 1e-6 * qMax(1.0, qAbs(theirs.toDouble())), qPrintable(where));
                        break;
                    case MDB_REPID:
                        QVERIFY2(ours.toString().compare(theirs, Qt::CaseInsensitive) == 0, qPrintable(where));
                        break;
                    default:
                        if (theirs == QLatin1String("~"))
                            QVERIFY2(ours.toString().isEmpty(), qPrintable(where));
                        else
                            QVERIFY2(ours.toString() == theirs, qPrintable(where));
                    }
                }
            }
        }
    }

    // The screens seek on indexes by name ("ayuda" on pantalla): a converted table keeps
    // its named indexes.
    void indexesByName()
    {
        const QString copy = m_dir.filePath(QStringLiteral("indexes.sqlite"));
        JetConverter::convert(JetFixture::folder() + QStringLiteral("/jet4-types.mdb"), copy);
        auto db = Database::open(copy, ShareMode::Shared, AccessMode::ReadOnly, {});
        QCOMPARE(db->indexColumns(QStringLiteral("B")), QStringList { QStringLiteral("B") });
        QCOMPARE(db->indexColumns(QStringLiteral("PrimaryKey")).size(), 1);
        auto rows = db->openRecordset(QStringLiteral("Table1"));
        QVERIFY(rows->seek(QStringLiteral("B"), { QStringLiteral("hijklmnop") }));
        QCOMPARE(rows->text(QStringLiteral("A")), QStringLiteral("abcdefg"));
        QVERIFY(!rows->seek(QStringLiteral("B"), { QStringLiteral("zz") }));
    }

    // Jet keeps Null apart from "": the player's criteria and fields tell them apart too.
    // jet4-no-password's Table1 (ID Long, Data Text) takes rows from libmdb's writer.
    void nullIsNotEmptyText()
    {
        const QString file = m_dir.filePath(QStringLiteral("null.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const auto row = [&](const JetFixture::Value& id, const JetFixture::Value& data) {
            QString reason;
            QVERIFY2(JetFixture::appendRow(file, QStringLiteral("Table1"), { id, data }, &reason), qPrintable(reason));
        };
        row(JetFixture::int32(11), JetFixture::null());
        row(JetFixture::int32(12), JetFixture::jet4Text(QString()));
        row(JetFixture::null(), JetFixture::jet4Text(QStringLiteral("x")));

        const QString copy = m_dir.filePath(QStringLiteral("null.sqlite"));
        JetConverter::convert(file, copy);
        auto db = Database::open(copy, ShareMode::Shared, AccessMode::ReadOnly, {});
        auto rows = db->openRecordset(QStringLiteral("select ID, Data from Table1 where ID is null or ID > 10 order by ID"));
        QCOMPARE(rows->recordCount(), 3);
        QVERIFY(!rows->value(QStringLiteral("ID")).isValid());
        QCOMPARE(rows->text(QStringLiteral("Data")), QStringLiteral("x"));
        rows->moveNext();
        QVERIFY(!rows->value(QStringLiteral("Data")).isValid());
        rows->moveNext();
        QVERIFY(rows->value(QStringLiteral("Data")).isValid());
        QCOMPARE(rows->value(QStringLiteral("Data")).toString(), QString());
        QVERIFY(rows->findFirst(QStringLiteral("Data is null")));
        QCOMPARE(rows->number(QStringLiteral("ID")), 11);
    }

    // Text columns order as Jet orders them, not by code points: "ñ" after "n", case and
    // accents second.
    void textOrder()
    {
        const QString file = m_dir.filePath(QStringLiteral("order.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        int id = 20;
        for (const QString& word : { QStringLiteral(u"oso"), QStringLiteral(u"ñandú"), QStringLiteral(u"Nube"), QStringLiteral(u"árbol") })
            QVERIFY(JetFixture::appendRow(file, QStringLiteral("Table1"), { JetFixture::int32(id++), JetFixture::jet4Text(word) }));
        const QString copy = m_dir.filePath(QStringLiteral("order.sqlite"));
        JetConverter::convert(file, copy);
        auto db = Database::open(copy, ShareMode::Shared, AccessMode::ReadOnly, {});
        QStringList words;
        for (auto rows = db->openRecordset(QStringLiteral("select Data from Table1 where ID >= 20 order by Data")); !rows->isEof(); rows->moveNext())
            words << rows->text(QStringLiteral("Data"));
        QCOMPARE(words, (QStringList { QStringLiteral(u"árbol"), QStringLiteral(u"Nube"), QStringLiteral(u"ñandú"), QStringLiteral(u"oso") }));
    }

    // Jet 4 text with its compression (one-byte runs and two-byte runs switched by NUL),
    // written into a real file.
    void jet4Text_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("compressed") << QByteArray("\xFF\xFEgr\xE1" "fico\x00\xAC\x20\x00!", 14) << QStringLiteral(u"gráfico€!");
        QTest::newRow("plain UTF-16") << QByteArray("n\0\xF1\0" "\xAC\x20", 6) << QStringLiteral(u"nñ€");
    }
    void jet4Text()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        const QString file = m_dir.filePath(QStringLiteral("text-%1.mdb").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('-')));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        QVERIFY(JetFixture::appendRow(file, QStringLiteral("Table1"), { JetFixture::int32(9), JetFixture::bytes(stored) }));
        QString found;
        JetFile(file).readRows(QStringLiteral("Table1"), [&](const QVariantList& row) {
            if (row[0].toInt() == 9)
                found = row[1].toString();
        });
        QCOMPARE(found, expected);
    }

    // Jet 3 text is in the file's code page: 0x80 is the euro sign in Windows-1252, not
    // Latin-1's control character; other code pages go through the C library.
    void jet3CodePages_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1252") << 1252 << QByteArray("ca\xF1\xF3n \x80 \x93x\x94") << QStringLiteral(u"cañón € “x”");
        QTest::newRow("1251") << 1251 << QByteArray("\xC4\xE0") << QStringLiteral(u"Да");
        QTest::newRow("850") << 850 << QByteArray("\xA4") << QStringLiteral(u"ñ");
    }
    void jet3CodePages()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, stored);
        QFETCH(QString, expected);
        const JetText text(codePage);
        QVERIFY(text.isValid());
        QCOMPARE(text.decode(stored), expected);
    }

    // A real Jet 3 file read by the code page its header names: the same bytes are Russian
    // under code page 1251 and accented Latin under 1252. The code page sits in the part
    // of the header masked with the format's fixed key, so it is changed through the mask.
    void jet3FileCodePage_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("1252") << 1252 << QStringLiteral(u"Ïðèâåò àá");
        QTest::newRow("1251") << 1251 << QStringLiteral(u"Привет аб");
    }
    void jet3FileCodePage()
    {
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        const QString file = m_dir.filePath(QStringLiteral("cp%1.mdb").arg(codePage));
        JetFixture::copy(QStringLiteral("jet3-types.mdb"), file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        const QByteArray all = f.readAll();
        const qsizetype at = all.indexOf("hijklmnop");
        QVERIFY(at > 0 && all.indexOf("hijklmnop", at + 1) < 0);
        QVERIFY(f.seek(at) && f.write("\xCF\xF0\xE8\xE2\xE5\xF2 \xE0\xE1") == 9);
        const quint16 was = 1252;
        const uchar masked[2] = { uchar(all.at(0x3C)), uchar(all.at(0x3D)) };
        const uchar changed[2] = { uchar(masked[0] ^ (was & 0xFF) ^ (codePage & 0xFF)), uchar(masked[1] ^ (was >> 8) ^ (codePage >> 8)) };
        QVERIFY(f.seek(0x3C) && f.write(reinterpret_cast<const char*>(changed), 2) == 2);
        f.close();

        const JetFile jet(file);
        QCOMPARE(jet.header().codePage(), codePage);
        QStringList texts;
        jet.readRows(QStringLiteral("Table1"), [&](const QVariantList& row) { texts << row[1].toString(); });
        QVERIFY2(texts.contains(expected), qPrintable(texts.join(QLatin1Char('|'))));
    }

    void password_data()
    {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<QString>("connect");
        QTest::addColumn<bool>("opens");
        QTest::newRow("Jet 4, right password") << QStringLiteral("jet4-with-password.mdb") << QStringLiteral("MS Access;PWD=password") << true;
        QTest::newRow("Jet 4, wrong password") << QStringLiteral("jet4-with-password.mdb") << QStringLiteral("MS Access;PWD=vemparo41") << false;
        QTest::newRow("Jet 4, no password given") << QStringLiteral("jet4-with-password.mdb") << QStringLiteral("MS Access") << false;
        QTest::newRow("later Jet 4, right password") << QStringLiteral("jet4-2003-with-password.mdb") << QStringLiteral("MS Access;PWD=password") << true;
        QTest::newRow("later Jet 4, wrong password") << QStringLiteral("jet4-2003-with-password.mdb") << QStringLiteral("MS Access;PWD=Password") << false;
        QTest::newRow("no password, any given") << QStringLiteral("jet4-no-password.mdb") << QStringLiteral("MS Access;PWD=vemparo41") << true;
        QTest::newRow("Jet 3, no password") << QStringLiteral("jet3-no-password.mdb") << QStringLiteral("MS Access;PWD=vemparo41") << true;
    }
    void password()
    {
        QFETCH(QString, fixture);
        QFETCH(QString, connect);
        QFETCH(bool, opens);
        const QString file = m_dir.filePath(QStringLiteral("pw-%1-").arg(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_')).remove(QLatin1Char(',')) + fixture);
        JetFixture::copy(fixture, file);
        try {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadOnly, connect);
            QVERIFY2(opens, "a wrong password was accepted");
            QVERIFY(db->hasTable(QStringLiteral("Table1")));
            // The converted copy keeps the lock: opened directly, it asks for the same password;
            // through the Jet file, a wrong password names that file, copy or no copy.
            if (!JetFile(file).header().password().isEmpty()) {
                QVERIFY_THROWS_EXCEPTION(CourseError, Database::open(JetStandIn::cachedCopy(file), ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=x")));
                try {
                    JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadOnly, QStringLiteral("PWD=x"));
                    QFAIL("a wrong password was accepted once the copy existed");
                } catch (const CourseError& error) {
                    QVERIFY2(error.message().startsWith(file + QLatin1Char(':')), qPrintable(error.message()));
                }
            }
        } catch (const CourseError& error) {
            QVERIFY2(!opens, qPrintable(error.message()));
            QVERIFY2(error.message().contains(file) && error.message().contains(QLatin1String("wrong password")), qPrintable(error.message()));
            QVERIFY(!QFileInfo::exists(JetStandIn::cachedCopy(file)));
        }
    }

    void cacheFollowsTheFile()
    {
        const QString file = m_dir.filePath(QStringLiteral("cached.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const QString traceFile = m_dir.filePath(QStringLiteral("cache-trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        const auto rowsSeen = [&] {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadOnly, {}, &trace);
            return db->storageFile().startsWith(JetStandIn::cacheFolder()) ? db->openRecordset(QStringLiteral("Table1"))->recordCount() : -1;
        };
        QCOMPARE(rowsSeen(), 3);
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 1);
        // The copies are the user's alone: the course may be one they paid for.
        QCOMPARE(modeOf(JetStandIn::cacheFolder()), mode_t(0700));
        QCOMPARE(modeOf(JetStandIn::cachedCopy(file)), mode_t(0600));
        QCOMPARE(rowsSeen(), 3);
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 1); // unchanged: the copy serves

        QVERIFY(JetFixture::appendRow(file, QStringLiteral("Table1"), { JetFixture::int32(4), JetFixture::jet4Text(QStringLiteral("Four")) }));
        QCOMPARE(rowsSeen(), 4);
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 2); // changed: converted again
        // Only the copy of the file as it is now is kept.
        const QString stem = QFileInfo(JetStandIn::cachedCopy(file)).fileName().section(QLatin1Char('-'), 0, 0);
        QCOMPARE(QDir(JetStandIn::cacheFolder()).entryList({ stem + QStringLiteral("-*") }, QDir::Files).size(), 1);
    }

    void learnerCopyKeepsRowsAndTakesWrites_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("beside the learner database") << false;
        QTest::newRow("in the data folder, nothing may be written beside it") << true;
    }

    void learnerCopyKeepsRowsAndTakesWrites()
    {
        QFETCH(bool, readOnlyFolder);
        const QString folder = m_dir.filePath(QStringLiteral("learner-%1").arg(readOnlyFolder));
        const QString file = folder + QStringLiteral("/usrcurso.mdb");
        QDir().mkpath(folder);
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const QByteArray before = fileHash(file);
        if (readOnlyFolder)
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
        const QString copy = JetStandIn::learnerCopy(file);
        QCOMPARE(QFileInfo(copy).absolutePath() == folder, !readOnlyFolder);
        const auto removeCopy = qScopeGuard([&] { QFile::remove(copy); });
        // What a conversion cut short left behind is cleared, never taken for the copy.
        const QString leftover = copy + QStringLiteral(".part123");
        if (!readOnlyFolder)
            QFile(leftover).open(QIODevice::WriteOnly);
        const QString traceFile = m_dir.filePath(QStringLiteral("learner-trace-%1.jsonl").arg(readOnlyFolder));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace);
            QCOMPARE(db->storageFile(), copy);
            QCOMPARE(db->fileName(), file); // what errors name
            QCOMPARE(modeOf(copy), mode_t(0600));
            auto rows = db->openRecordset(QStringLiteral("Table1"), RecordsetType::Dynaset);
            QCOMPARE(rows->recordCount(), 3);
            QVERIFY(rows->findFirst(QStringLiteral("ID = 3")));
            QCOMPARE(rows->text(QStringLiteral("Data")), QStringLiteral("Three"));
            rows->addNew();
            rows->setValue(QStringLiteral("ID"), 4);
            rows->setValue(QStringLiteral("Data"), QStringLiteral("visited"));
            rows->update();
        }
        auto again = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace);
        QCOMPARE(again->openRecordset(QStringLiteral("Table1"))->recordCount(), 4);
        again.reset(); // its lock goes with it
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 1);
        QCOMPARE(fileHash(file), before); // the Jet file is never written
        QVERIFY(!QFileInfo::exists(leftover));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList { QStringLiteral("usrcurso.mdb") } + (readOnlyFolder ? QStringList() : QStringList { QStringLiteral("usrcurso.sqlite") }));
    }


    // Two processes (two players whose runtime folders differ, which the single-copy
    // lock cannot hold apart) open one Jet file at the same moment: one converts while
    // the other waits, and neither loses the copy it opened nor the row it wrote there.
    void twoProcessesConvertOneFile_data()
    {
        QTest::addColumn<bool>("learner");
        QTest::newRow("content database") << false;
        QTest::newRow("learner database") << true;
    }
    void twoProcessesConvertOneFile()
    {
        QFETCH(bool, learner);
        const QString folder = m_dir.filePath(QStringLiteral("two-%1").arg(learner));
        QDir().mkpath(folder);
        const QString file = folder + (learner ? QStringLiteral("/usrcurso.mdb") : QStringLiteral("/bbm.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        QProcess children[2];
        for (int i = 0; i < 2; ++i) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("JETFILE_OPEN"), file);
            if (learner)
                env.insert(QStringLiteral("JETFILE_ADD"), QString::number(100 + i));
            children[i].setProcessEnvironment(env);
        }
        for (QProcess& child : children)
            child.start(QCoreApplication::applicationFilePath(), {});
        QStringList copies;
        for (QProcess& child : children) {
            QVERIFY(child.waitForStarted());
            while (!child.canReadLine() && child.state() == QProcess::Running)
                child.waitForReadyRead(1000);
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            QVERIFY2(line.startsWith(QLatin1String("opened ")), qPrintable(line + QString::fromUtf8(child.readAllStandardError())));
            copies << line.section(QLatin1Char(' '), 1, 1);
        }
        // Both still have their copy open while these are checked.
        QCOMPARE(copies[0], copies[1]);
        QVERIFY(QFileInfo::exists(copies[0]));
        for (QProcess& child : children) {
            child.write("end\n");
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitCode(), 0);
        }
        QCOMPARE(rowsOf(copies[0]), learner ? 5 : 3);
        if (learner)
            QCOMPARE(rowsOf(copies[0], QStringLiteral("ID >= 100")), 2);
        const QString name = QFileInfo(copies[0]).fileName();
        QCOMPARE(QFileInfo(copies[0]).dir().entryList({ name + QStringLiteral(".*") }, QDir::Files), QStringList());
    }

    // A learner file in a folder that may not be written has its copy in the data folder;
    // once the folder may be written, that copy (and the progress in it) is still the one
    // used. Should both places have a copy, the rows of both end up in one, each once.
    void learnerCopyFollowsItsFolder()
    {
        const QString folder = m_dir.filePath(QStringLiteral("stick"));
        const QString file = folder + QStringLiteral("/usrcurso.mdb");
        QDir().mkpath(folder);
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const QFile::Permissions writable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(folder, writable); });
        QString away;
        {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {});
            away = db->storageFile();
            addVisitedRow(*db, 50);
        }
        const auto removeAway = qScopeGuard([&] { removeWithItsOwn(away); });
        QVERIFY(QFileInfo(away).absolutePath() != folder);

        QVERIFY(QFile::setPermissions(folder, writable)); // the stick's switch, a remount
        const QString beside = folder + QStringLiteral("/usrcurso.sqlite");
        {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {});
            QCOMPARE(db->storageFile(), away);
            QCOMPARE(db->openRecordset(QStringLiteral("Table1"))->recordCount(), 4);
        }
        QVERIFY(!QFileInfo::exists(beside));

        // A copy beside the file as well (made by an earlier version), with a row of its own.
        JetConverter::convert(file, beside);
        addVisitedRow(*Database::open(beside, ShareMode::Shared, AccessMode::ReadWrite, {}), 60);
        const QString traceFile = m_dir.filePath(QStringLiteral("merge-trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace);
            QCOMPARE(db->storageFile(), beside);
        }
        QCOMPARE(rowsOf(beside), 5);
        QCOMPARE(rowsOf(beside, QStringLiteral("ID = 50")), 1);
        QCOMPARE(rowsOf(beside, QStringLiteral("ID = 60")), 1);
        QVERIFY(!QFileInfo::exists(away));
        const QList<QJsonObject> merges = eventsOf(traceFile, QStringLiteral("db.merge"));
        QCOMPARE(merges.size(), 1);
        QCOMPARE(merges[0].value(QStringLiteral("kept")).toString(), beside);
        QCOMPARE(merges[0].value(QStringLiteral("other")).toString(), away);
        QCOMPARE(merges[0].value(QStringLiteral("rows")).toInt(), 1);
        const QString aside = merges[0].value(QStringLiteral("aside")).toString();
        QVERIFY2(aside.startsWith(away + QStringLiteral(".merged-")) && QFileInfo::exists(aside), qPrintable(aside));
        QCOMPARE(rowsOf(aside), 4); // set aside whole
        // Merged once: the next start opens the one copy.
        JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace);
        QCOMPARE(eventsOf(traceFile, QStringLiteral("db.merge")).size(), 1);
        QCOMPARE(rowsOf(beside), 5);
    }

    // A copy another running player has open is neither merged away nor set aside: this
    // start uses it too, and the two copies are brought together once it is free.
    void learnerCopyInUseIsKept()
    {
        const QString folder = m_dir.filePath(QStringLiteral("in-use"));
        const QString file = folder + QStringLiteral("/usrcurso.mdb");
        QDir().mkpath(folder);
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        QProcess player;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("JETFILE_OPEN"), file);
        env.insert(QStringLiteral("JETFILE_ADD"), QStringLiteral("70"));
        player.setProcessEnvironment(env);
        player.start(QCoreApplication::applicationFilePath(), {});
        while (!player.canReadLine() && player.state() != QProcess::NotRunning)
            player.waitForReadyRead(1000);
        const QString line = QString::fromUtf8(player.readLine()).trimmed();
        QVERIFY2(line.startsWith(QLatin1String("opened ")), qPrintable(line + QString::fromUtf8(player.readAllStandardError())));
        const QString away = line.section(QLatin1Char(' '), 1, 1);
        const auto removeAway = qScopeGuard([&] { removeWithItsOwn(away); });
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString beside = folder + QStringLiteral("/usrcurso.sqlite");
        JetConverter::convert(file, beside);
        const QString traceFile = m_dir.filePath(QStringLiteral("in-use-trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        {
            auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace);
            QCOMPARE(db->storageFile(), away);
            QCOMPARE(db->openRecordset(QStringLiteral("Table1"))->recordCount(), 4);
        }
        QVERIFY(QFileInfo::exists(beside) && QFileInfo::exists(away));
        const QList<QJsonObject> deferred = eventsOf(traceFile, QStringLiteral("db.merge"));
        QCOMPARE(deferred.size(), 1);
        QVERIFY(deferred[0].value(QStringLiteral("deferred")).toBool());
        player.write("end\n");
        QVERIFY(player.waitForFinished(30000));
        QCOMPARE(player.exitCode(), 0);
        QCOMPARE(JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadWrite, {}, &trace)->storageFile(), beside);
        QCOMPARE(rowsOf(beside, QStringLiteral("ID = 70")), 1);
        QVERIFY(!QFileInfo::exists(away));
    }

    // The same size and time do not make the same file: a file replaced by another (here
    // the same course with a table of another name) whose time was put back, to the
    // nanosecond, is converted again.
    void sameSizeAndTimeConvertedAgain()
    {
        const QString file = m_dir.filePath(QStringLiteral("same-time.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const QString traceFile = m_dir.filePath(QStringLiteral("same-time-trace.jsonl"));
        Trace trace;
        QVERIFY(trace.open(traceFile));
        QVERIFY(JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadOnly, {}, &trace)->hasTable(QStringLiteral("Table1")));
        const QByteArray local = QFile::encodeName(file);
        struct stat before {}, after {};
        QVERIFY(::stat(local.constData(), &before) == 0);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const qsizetype name = f.readAll().indexOf(QByteArray("T\0a\0b\0l\0e\0" "1\0", 12)); // its catalog row
        f.close();
        QVERIFY(name > 0);
        JetFixture::patch(file, name + 10, QByteArray("9\0", 2));
        const timespec times[2] = { before.st_atim, before.st_mtim };
        QVERIFY(::utimensat(AT_FDCWD, local.constData(), times, 0) == 0);
        QVERIFY(::stat(local.constData(), &after) == 0);
        QCOMPARE(after.st_ino, before.st_ino);
        QCOMPARE(after.st_size, before.st_size);
        QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
        QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        auto db = JetStandIn::open(file, ShareMode::Shared, AccessMode::ReadOnly, {}, &trace);
        QVERIFY(db->hasTable(QStringLiteral("Table9")) && !db->hasTable(QStringLiteral("Table1")));
        QCOMPARE(db->openRecordset(QStringLiteral("Table9"))->recordCount(), 3);
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 2);
    }

    // A copy cut short or overwritten (a power loss, a failing disk) is set aside, never
    // deleted, and made again from the Jet file; a learner's is named to the learner.
    void damagedCopySetAside_data()
    {
        QTest::addColumn<bool>("learner");
        QTest::addColumn<bool>("truncate");
        QTest::newRow("content, cut short") << false << true;
        QTest::newRow("content, garbage") << false << false;
        QTest::newRow("learner, cut short") << true << true;
        QTest::newRow("learner, garbage") << true << false;
    }
    void damagedCopySetAside()
    {
        QFETCH(bool, learner);
        QFETCH(bool, truncate);
        const QString folder = m_dir.filePath(QStringLiteral("damaged-%1-%2").arg(learner).arg(truncate));
        QDir().mkpath(folder);
        const QString file = folder + (learner ? QStringLiteral("/usrcurso.mdb") : QStringLiteral("/bbm.mdb"));
        JetFixture::copy(QStringLiteral("jet4-no-password.mdb"), file);
        const AccessMode access = learner ? AccessMode::ReadWrite : AccessMode::ReadOnly;
        const QString copy = JetStandIn::open(file, ShareMode::Shared, access, {})->storageFile();
        QFile damaged(copy);
        if (truncate) {
            QVERIFY(damaged.resize(damaged.size() / 2));
        } else {
            QVERIFY(damaged.open(QIODevice::ReadWrite));
            QVERIFY(damaged.write(QByteArray(512, 'x')) == 512);
            damaged.close();
        }
        const QByteArray damagedBytes = fileHash(copy);
        const QString traceFile = folder + QStringLiteral("/trace.jsonl");
        Trace trace;
        QVERIFY(trace.open(traceFile));
        QStringList told;
        auto db = JetStandIn::open(file, ShareMode::Shared, access, {}, &trace, [&](const QString& message) { told << message; });
        QCOMPARE(db->storageFile(), copy);
        QCOMPARE(db->openRecordset(QStringLiteral("Table1"))->recordCount(), 3);
        const QList<QJsonObject> setAside = eventsOf(traceFile, QStringLiteral("db.setaside"));
        QCOMPARE(setAside.size(), 1);
        QCOMPARE(setAside[0].value(QStringLiteral("copy")).toString(), copy);
        const QString aside = setAside[0].value(QStringLiteral("aside")).toString();
        const auto removeAside = qScopeGuard([&] { QFile::remove(aside); });
        QCOMPARE(fileHash(aside), damagedBytes);
        QCOMPARE(countEvents(traceFile, QStringLiteral("db.convert")), 1);
        if (learner) {
            QCOMPARE(told.size(), 1);
            QVERIFY2(told[0].contains(copy) && told[0].contains(aside) && told[0].contains(file), qPrintable(told[0]));
        }
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("named");
        QTest::newRow("truncated") << QStringLiteral("truncate") << QStringList { QStringLiteral("truncated") };
        QTest::newRow("unknown version") << QStringLiteral("version") << QStringList { QStringLiteral("unknown format version") };
        QTest::newRow("unknown column type") << QStringLiteral("type") << QStringList { QStringLiteral("Table1"), QStringLiteral("column A"), QStringLiteral("0x7f") };
        QTest::newRow("damaged data page") << QStringLiteral("page") << QStringList { QStringLiteral("Table1"), QStringLiteral("damaged") };
        QTest::newRow("not a database") << QStringLiteral("garbage") << QStringList { QStringLiteral("not a Jet database") };
    }
    void badFiles()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, named);
        const QString file = m_dir.filePath(QStringLiteral("bad-%1.mdb").arg(damage));
        JetFixture::copy(QStringLiteral("jet4-types.mdb"), file);
        if (damage == QLatin1String("truncate")) {
            QFile f(file);
            QVERIFY(f.resize(f.size() - 1000));
        } else if (damage == QLatin1String("version")) {
            JetFixture::patch(file, 0x14, QByteArray(1, '\x09'));
        } else if (damage == QLatin1String("type")) {
            JetFixture::setColumnType(file, QStringLiteral("Table1"), 0, 0x7F);
        } else if (damage == QLatin1String("page")) {
            const QList<qint64> pages = JetFixture::dataPages(file, QStringLiteral("Table1"));
            QVERIFY(!pages.isEmpty());
            JetFixture::patch(file, pages.first() * 4096, QByteArray(4096, '\0'));
        } else {
            JetFixture::patch(file, 4, QByteArray("Standard Foo DB"));
        }
        const QString target = file + QStringLiteral(".sqlite");
        try {
            JetConverter::convert(file, target);
            QFAIL("a damaged file was converted");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().contains(file), qPrintable(error.message()));
            for (const QString& part : named)
                QVERIFY2(error.message().contains(part), qPrintable(error.message()));
        }
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(QDir(m_dir.path()).entryList({ QFileInfo(target).fileName() + QStringLiteral(".part*") }).isEmpty());
    }

    // Inputs on which libmdb itself loops or dies: the conversion's child process is
    // stopped, and the player gets an error naming the file instead of a hang.
    void readerFaultsAreErrors()
    {
        const QString file = m_dir.filePath(QStringLiteral("loop.mdb"));
        QVERIFY(QFile::copy(QStringLiteral(TAMSEL_SOURCE_DIR "/tests/fuzz/jet-crashers/catalog-properties-loop"), file));
        QElapsedTimer clock;
        clock.start();
        try {
            JetConverter::convert(file, file + QStringLiteral(".sqlite"), {}, 2000);
            QFAIL("the looping file was converted");
        } catch (const CourseError& error) {
            QVERIFY2(error.message().startsWith(file) && error.message().contains(QLatin1String("stopped responding")), qPrintable(error.message()));
        }
        QVERIFY(clock.elapsed() < 20000);
        QVERIFY(QDir(m_dir.path()).entryList({ QStringLiteral("loop.mdb.sqlite.part*") }).isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    if (qEnvironmentVariableIsSet("JETFILE_OPEN"))
        return openInChild(qEnvironmentVariable("JETFILE_OPEN"));
    TestJetFile test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_jetfile.moc"
