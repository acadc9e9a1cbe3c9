// The learner's shadowing takes on disc: their order by when they were made, whatever the
// clock or the time zone did; what the clean-up at start and the map's erase may delete.
#include "TakeStore.h"

#include <QtEndian>
#include <QtTest>
#include <ctime>

namespace {

// A complete WAV file of DATA_BYTES of silence.
void writeTake(const QString& path, int dataBytes = 8)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QByteArray header("RIFF");
    const auto le32 = [](quint32 v) {
        QByteArray bytes(4, '\0');
        qToLittleEndian(v, bytes.data());
        return bytes;
    };
    header += le32(quint32(36 + dataBytes)) + "WAVEfmt " + le32(16);
    header += QByteArray("\x01\x00\x01\x00", 4) + le32(8000) + le32(16000) + QByteArray("\x02\x00\x10\x00", 4) + "data" + le32(quint32(dataBytes));
    file.write(header + QByteArray(dataBytes, '\0'));
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QStringList namesOf(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths)
        names << QFileInfo(path).fileName();
    return names;
}

} // namespace

class TestTakeStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;
    QString learner(const char* course) const { return m_home.filePath(QString::fromLatin1(course)) + QLatin1Char('/'); }

private slots:
    void init() { QVERIFY(QDir(m_home.path()).removeRecursively() && QDir().mkpath(m_home.path())); }

    // Newest first by the time a name holds: UTC with a "Z", local time without (the names
    // of earlier versions); never by how the names sort as text.
    void takesAreOrderedByWhenTheyWereMade_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("newestFirst");
        // 10:00 in Madrid in winter is 09:00 UTC.
        QTest::newRow("an earlier version's local name, then a UTC one")
            << QStringList { "frase-1000-20261208-100000000.wav", "frase-1000-20261208-093000000Z.wav" }
            << QStringList { "frase-1000-20261208-093000000Z.wav", "frase-1000-20261208-100000000.wav" };
        // Summer time ends at 01:00 UTC: 00:30 UTC is 02:30 in Madrid, 01:10 UTC is 02:10.
        QTest::newRow("across the end of summer time")
            << QStringList { "frase-1000-20261025-003000000Z.wav", "frase-1000-20261025-011000000Z.wav" }
            << QStringList { "frase-1000-20261025-011000000Z.wav", "frase-1000-20261025-003000000Z.wav" };
        QTest::newRow("within one millisecond")
            << QStringList { "frase-1000-20261208-093000000Z-1.wav", "frase-1000-20261208-093000000Z.wav", "frase-1000-20261208-093000000Z-2.wav" }
            << QStringList { "frase-1000-20261208-093000000Z-2.wav", "frase-1000-20261208-093000000Z-1.wav", "frase-1000-20261208-093000000Z.wav" };
        QTest::newRow("other files and other phrases are no takes of it")
            << QStringList { "frase-1000-borrador.wav", "frase-2000-20261208-093000000Z.wav", "frase-1000-20261308-093000000Z.wav",
                   "frase-1000-20261208-093000000Z.wav" }
            << QStringList { "frase-1000-20261208-093000000Z.wav" };
    }
    void takesAreOrderedByWhenTheyWereMade()
    {
        QFETCH(QStringList, names);
        QFETCH(QStringList, newestFirst);
        const TakeStore store(learner("curso"));
        for (const QString& name : names)
            writeTake(store.lessonFolder(4) + QLatin1Char('/') + name);
        QCOMPARE(namesOf(store.takes(4, 1000)), newestFirst);
    }

    // A new take's name is in UTC and comes before every take there, even after the clock
    // was set back behind them; pruning keeps it.
    void aNewTakeIsTheNewestEvenAfterTheClockWentBack()
    {
        const TakeStore store(learner("curso"));
        const QString first = store.newTakePath(4, 1000);
        const QDateTime stamp = QDateTime::fromString(QFileInfo(first).fileName().mid(11, 18), QStringLiteral("yyyyMMdd-hhmmsszzz"));
        QVERIFY2(QFileInfo(first).fileName().endsWith(QLatin1String("Z.wav")), qPrintable(first));
        QVERIFY(std::abs(QDateTime(stamp.date(), stamp.time(), Qt::UTC).secsTo(QDateTime::currentDateTimeUtc())) < 60);

        // Takes made while the clock was a century ahead.
        QStringList ahead;
        for (int i = 0; i < TakeStore::TakesKept; ++i) {
            ahead << QStringLiteral("frase-1000-20991231-23595900%1Z.wav").arg(i);
            writeTake(store.lessonFolder(4) + QLatin1Char('/') + ahead.back());
        }
        const QString made = store.newTakePath(4, 1000);
        writeTake(made);
        QCOMPARE(store.takes(4, 1000).front(), made);
        store.prune(4, 1000);
        const QStringList kept = store.takes(4, 1000);
        QCOMPARE(kept.size(), qsizetype(TakeStore::TakesKept));
        QCOMPARE(kept.front(), made);
        QVERIFY(!kept.contains(store.lessonFolder(4) + QLatin1Char('/') + ahead.front())); // the oldest went
    }

    // The clean-up at start deletes what takes cut short left (the recorder's temporary
    // files, broken takes) and nothing else of the folder.
    void theCleanUpDeletesOnlyUnfinishedTakes()
    {
        const TakeStore store(learner("curso"));
        const QString lesson = store.lessonFolder(4) + QLatin1Char('/');
        const QStringList kept { lesson + "frase-1000-20261208-093000000Z.wav", lesson + "frase-1000-20261208-100000000.wav",
            lesson + "notas.txt", lesson + "frase-1000-borrador.wav", lesson + ".directory", store.root() + "/leeme.txt",
            lesson + "frase-1000-20261208-093000000Z.wav.bak" };
        const QStringList gone { lesson + "frase-1000-20261208-093100000Z.wav.Xa1b2C", lesson + "frase-1000-20261208-093200000Z.wav",
            lesson + "frase-1000-20261208-093300000Z-1.wav" };
        writeTake(kept[0]);
        writeTake(kept[1]);
        for (qsizetype i = 2; i < kept.size(); ++i)
            writeFile(kept[i], "mine");
        writeFile(gone[0], "RIFF");
        writeFile(gone[1], QByteArray("RIFF\x24\x00\x01\x00WAVEfmt ", 16)); // cut short
        writeFile(gone[2], {});
        QCOMPARE(store.cleanLeftovers(), int(gone.size()));
        for (const QString& path : kept)
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        for (const QString& path : gone)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
    }

    // The map's erase of one course deletes that course's takes, and only them.
    void anEraseTouchesOnlyItsCoursesTakes()
    {
        const TakeStore erased(learner("curso-1a2b3c4d"));
        const TakeStore other(learner("otro-5e6f7a8b"));
        for (const TakeStore* store : { &erased, &other }) {
            writeTake(store->lessonFolder(4) + QStringLiteral("/frase-1000-20261208-093000000Z.wav"));
            writeTake(store->lessonFolder(7) + QStringLiteral("/frase-2000-20261208-093000000.wav"));
            writeFile(store->lessonFolder(7) + QStringLiteral("/frase-2000-20261208-093100000Z.wav.Xa1b2C"), "RIFF");
        }
        writeFile(erased.lessonFolder(7) + QStringLiteral("/notas.txt"), "mine");
        QVERIFY(TakeStore::eraseAll(learner("curso-1a2b3c4d")));
        QVERIFY(erased.takes(4, 1000).isEmpty());
        QVERIFY(erased.takes(7, 2000).isEmpty());
        QVERIFY(!QFileInfo::exists(erased.lessonFolder(4)));
        QCOMPARE(QDir(erased.lessonFolder(7)).entryList(QDir::Files), QStringList { "notas.txt" });
        QCOMPARE(other.takes(4, 1000).size(), 1);
        QCOMPARE(other.takes(7, 2000).size(), 1);
        QCOMPARE(QDir(other.lessonFolder(7)).entryList(QDir::Files).size(), 2);
        // With nothing else in it, the store's folder goes too.
        QVERIFY(TakeStore::eraseAll(learner("otro-5e6f7a8b")));
        QVERIFY(!QFileInfo::exists(other.root()));
        QVERIFY(TakeStore::eraseAll(learner("ninguno")));
    }
};

int main(int argc, char** argv)
{
    // Local names are read in a zone with summer time, whatever the machine's.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
    TestTakeStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_takestore.moc"
