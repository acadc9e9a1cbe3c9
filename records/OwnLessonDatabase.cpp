#include "OwnLessonDatabase.h"
#include "CourseError.h"
#include "Database.h"
#include "SqlStatement.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <sqlite3.h>

namespace {

// The schema, made whole by the first add. `meta`'s NextNumber only grows: the number of
// a removed lesson stays used. The phrases keep their order in `position`.
const char* const schema = R"sql(
begin immediate;
create table if not exists meta (name text primary key, value integer not null);
insert or ignore into meta (name, value) values ('NextNumber', %1);
create table if not exists lessons (
  number integer primary key, title text not null, video text not null,
  english text not null, spanish text not null, duration_ms integer not null,
  width integer not null, height integer not null, added text not null, phrase_count integer not null);
create table if not exists phrases (
  lesson integer not null, position integer not null, mseg integer not null,
  frase_en text not null, frase_sp text not null, end_ms integer not null default 0,
  primary key (lesson, position)) without rowid;
pragma user_version = 2;
commit;
)sql";

bool hasPhraseEnds(const Database& db)
{
    SqlStatement columns(db, QStringLiteral("select count(*) from pragma_table_info('phrases') where name = 'end_ms'"));
    return columns.step() && columns.value(0).toInt() > 0;
}

const QString lessonColumns = QStringLiteral(
    "select number, title, video, english, spanish, duration_ms, width, height, added, phrase_count from lessons");

OwnLessons::Lesson lessonOf(const SqlStatement& row)
{
    OwnLessons::Lesson lesson;
    lesson.number = qint16(row.value(0).toInt());
    lesson.title = row.value(1).toString();
    lesson.video = row.value(2).toString();
    lesson.english = row.value(3).toString();
    lesson.spanish = row.value(4).toString();
    lesson.durationMs = row.value(5).toLongLong();
    lesson.width = row.value(6).toInt();
    lesson.height = row.value(7).toInt();
    lesson.added = QDateTime::fromString(row.value(8).toString(), Qt::ISODateWithMs).toUTC();
    lesson.phraseCount = row.value(9).toInt();
    return lesson;
}

[[noreturn]] void unreadable(const QString& file, const CourseError& error)
{
    throw CourseError(QStringLiteral("No se puede leer la lista de tus vídeos «%1» (%2).").arg(file, error.message()));
}

// A write that found the store full: its message is ready for the learner.
struct StoreFull {
    QString message;
};

} // namespace

OwnLessonDatabase::OwnLessonDatabase(QString file)
    : m_file(std::move(file))
{
}

OwnLessonDatabase::~OwnLessonDatabase() = default;

std::unique_ptr<Database> OwnLessonDatabase::openForReading() const
{
    if (!QFileInfo::exists(m_file))
        return nullptr;
    try {
        auto db = Database::open(m_file, ShareMode::Shared, AccessMode::ReadOnly, QString());
        if (!db->hasTable(QStringLiteral("lessons")))
            return nullptr; // made by an add that is still under way
        return db;
    } catch (const CourseError& error) {
        unreadable(m_file, error);
    }
}

QList<OwnLessons::Lesson> OwnLessonDatabase::lessons() const
{
    const auto db = openForReading();
    QList<OwnLessons::Lesson> found;
    if (!db)
        return found;
    try {
        // Rows of other numbers (a file made or mended by hand) are no lessons of ours.
        SqlStatement query(*db, lessonColumns + QStringLiteral(" where number between %1 and %2 order by number")
                                    .arg(OwnLessons::firstNumber())
                                    .arg(OwnLessons::LastNumber));
        while (query.step())
            found.append(lessonOf(query));
    } catch (const CourseError& error) {
        unreadable(m_file, error);
    }
    return found;
}

std::optional<OwnLessons::Lesson> OwnLessonDatabase::lesson(qint16 number) const
{
    const auto db = openForReading();
    if (!db)
        return std::nullopt;
    try {
        SqlStatement query(*db, lessonColumns + QStringLiteral(" where number = ?"));
        query.bind(1, number);
        if (query.step())
            return lessonOf(query);
    } catch (const CourseError& error) {
        unreadable(m_file, error);
    }
    return std::nullopt;
}

QList<OwnLessons::Phrase> OwnLessonDatabase::phrases(qint16 number) const
{
    const auto db = openForReading();
    QList<OwnLessons::Phrase> found;
    if (!db)
        return found;
    try {
        // A store made before the cues' ends were kept has none: its phrases end at the next one.
        const QString end = hasPhraseEnds(*db) ? QStringLiteral("end_ms") : QStringLiteral("0");
        SqlStatement query(*db, QStringLiteral("select mseg, frase_en, frase_sp, %1 from phrases where lesson = ? order by position").arg(end));
        query.bind(1, number);
        while (query.step())
            found.append({ query.value(0).toInt(), query.value(1).toString(), query.value(2).toString(), query.value(3).toInt() });
    } catch (const CourseError& error) {
        throw CourseError(QStringLiteral("No se pueden leer las frases de tu vídeo %1 en «%2» (%3).").arg(number).arg(m_file, error.message()));
    }
    return found;
}

void OwnLessonDatabase::createIfMissing() const
{
    const QFileInfo info(m_file);
    if (info.exists() && info.size() > 0)
        return;
    if (!QDir().mkpath(info.absolutePath()))
        throw CourseError(QStringLiteral("the folder %1 cannot be made").arg(info.absolutePath()));
    sqlite3* handle = nullptr;
    int rc = sqlite3_open_v2(m_file.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_busy_timeout(handle, BusyTimeoutMs);
    char* message = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(handle, QString::fromLatin1(schema).arg(OwnLessons::FirstNumber).toUtf8().constData(), nullptr, nullptr, &message);
    const QString reason = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    if (rc != SQLITE_OK)
        sqlite3_exec(handle, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close_v2(handle);
    if (rc != SQLITE_OK)
        throw CourseError(QStringLiteral("%1: %2 (making the file)").arg(m_file, reason));
}

std::unique_ptr<Database> OwnLessonDatabase::openForWriting() const
{
    createIfMissing();
    auto db = Database::open(m_file, ShareMode::Shared, AccessMode::ReadWrite, QString());
    sqlite3_busy_timeout(db->handle(), BusyTimeoutMs);
    // A store of the first version gets the phrases' ends (its rows keep 0: unknown).
    if (!hasPhraseEnds(*db))
        db->execute(QStringLiteral("alter table phrases add column end_ms integer not null default 0"));
    return db;
}

OwnLessonDatabase::Written OwnLessonDatabase::failedWrite(const QString& detail) const
{
    Written written;
    written.error = QStringLiteral("No se pueden guardar tus vídeos en «%1».").arg(QDir::toNativeSeparators(m_file));
    written.detail = detail;
    return written;
}

template<typename Work>
OwnLessonDatabase::Written OwnLessonDatabase::write(Work work)
{
    std::unique_ptr<Database> db;
    try {
        db = openForWriting();
        db->execute(QStringLiteral("begin immediate"));
        Written written = work(*db);
        db->execute(QString::fromLatin1(written.ok ? "commit" : "rollback"));
        return written;
    } catch (const StoreFull& full) {
        db->execute(QStringLiteral("rollback"));
        Written written;
        written.error = full.message;
        written.detail = QStringLiteral("no lesson number is left");
        return written;
    } catch (const CourseError& error) {
        if (db && !sqlite3_get_autocommit(db->handle()))
            sqlite3_exec(db->handle(), "rollback", nullptr, nullptr, nullptr);
        return failedWrite(error.message());
    }
}

OwnLessonDatabase::Written OwnLessonDatabase::insert(const OwnLessons::Lesson& lesson, const QList<OwnLessons::Phrase>& phrases)
{
    return write([&](Database& db) {
        SqlStatement next(db, QStringLiteral("select value from meta where name = 'NextNumber'"));
        qint64 number = next.step() ? next.value(0).toLongLong() : OwnLessons::FirstNumber;
        // A counter set back by hand never gives a number in use again.
        SqlStatement highest(db, QStringLiteral("select max(number) from lessons where number between %1 and %2")
                                     .arg(OwnLessons::FirstNumber)
                                     .arg(OwnLessons::LastNumber));
        if (highest.step() && !highest.value(0).isNull())
            number = std::max(number, highest.value(0).toLongLong() + 1);
        // Past the course's own lessons, when it numbers some as high as ours.
        number = std::max<qint64>(number, OwnLessons::firstNumber());
        if (OwnLessons::firstNumber() > OwnLessons::LastNumber)
            throw StoreFull { QStringLiteral("No caben vídeos propios en este curso: sus propias lecciones llegan al número %1, "
                                             "el último que puede tener una lección. No se ha añadido «%2».")
                                  .arg(OwnLessons::LastNumber)
                                  .arg(QFileInfo(lesson.video).fileName()) };
        if (number > OwnLessons::LastNumber || number < OwnLessons::FirstNumber)
            throw StoreFull { QStringLiteral("No caben más vídeos propios: se han dado ya todos los números de lección "
                                             "(del %1 al %2). No se ha añadido «%3».")
                                  .arg(OwnLessons::firstNumber())
                                  .arg(OwnLessons::LastNumber)
                                  .arg(QFileInfo(lesson.video).fileName()) };
        SqlStatement row(db, QStringLiteral("insert into lessons (number, title, video, english, spanish, duration_ms, width, "
                                            "height, added, phrase_count) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        row.bind(1, number);
        row.bind(2, lesson.title);
        row.bind(3, lesson.video);
        row.bind(4, lesson.english);
        row.bind(5, lesson.spanish);
        row.bind(6, lesson.durationMs);
        row.bind(7, lesson.width);
        row.bind(8, lesson.height);
        row.bind(9, lesson.added.toUTC().toString(Qt::ISODateWithMs));
        row.bind(10, qint64(phrases.size()));
        row.run();
        SqlStatement phrase(db, QStringLiteral("insert into phrases (lesson, position, mseg, frase_en, frase_sp, end_ms) values (?, ?, ?, ?, ?, ?)"));
        phrase.bind(1, number);
        for (qsizetype at = 0; at < phrases.size(); ++at) {
            phrase.reset();
            phrase.bind(2, qint64(at));
            phrase.bind(3, phrases[at].mseg);
            phrase.bind(4, phrases[at].frase_en);
            phrase.bind(5, phrases[at].frase_sp);
            phrase.bind(6, phrases[at].endMs);
            phrase.run();
        }
        SqlStatement advance(db, QStringLiteral("update meta set value = ? where name = 'NextNumber'"));
        advance.bind(1, number + 1);
        advance.run();
        Written written;
        written.ok = true;
        written.number = qint16(number);
        return written;
    });
}

OwnLessonDatabase::Written OwnLessonDatabase::remove(qint16 number)
{
    if (!QFileInfo::exists(m_file))
        return {};
    return write([&](Database& db) {
        SqlStatement phrases(db, QStringLiteral("delete from phrases where lesson = ?"));
        phrases.bind(1, number);
        phrases.run();
        SqlStatement row(db, QStringLiteral("delete from lessons where number = ?"));
        row.bind(1, number);
        Written written;
        written.ok = row.run() > 0;
        written.number = number;
        return written;
    });
}

OwnLessonDatabase::Written OwnLessonDatabase::relocate(qint16 number, const QString& video)
{
    if (!QFileInfo::exists(m_file))
        return {};
    return write([&](Database& db) {
        SqlStatement row(db, QStringLiteral("update lessons set video = ? where number = ?"));
        row.bind(1, video);
        row.bind(2, number);
        Written written;
        written.ok = row.run() > 0;
        written.number = number;
        return written;
    });
}

QList<std::pair<qint16, qint16>> OwnLessonDatabase::renumberBelow(qint32 first)
{
    QList<std::pair<qint16, qint16>> moved;
    if (!QFileInfo::exists(m_file) || first <= OwnLessons::FirstNumber)
        return moved;
    const Written written = write([&](Database& db) {
        QList<qint64> colliding;
        SqlStatement below(db, QStringLiteral("select number from lessons where number between %1 and %2 order by number")
                                   .arg(OwnLessons::FirstNumber)
                                   .arg(first - 1));
        while (below.step())
            colliding.append(below.value(0).toLongLong());
        Written done;
        done.ok = true;
        if (colliding.isEmpty())
            return done;
        SqlStatement next(db, QStringLiteral("select value from meta where name = 'NextNumber'"));
        qint64 number = next.step() ? next.value(0).toLongLong() : first;
        SqlStatement highest(db, QStringLiteral("select max(number) from lessons"));
        if (highest.step() && !highest.value(0).isNull())
            number = std::max(number, highest.value(0).toLongLong() + 1);
        number = std::max<qint64>(number, first);
        if (number + colliding.size() - 1 > OwnLessons::LastNumber) {
            done.ok = false; // kept as they are, hidden, rather than lost
            return done;
        }
        SqlStatement lesson(db, QStringLiteral("update lessons set number = ? where number = ?"));
        SqlStatement phrases(db, QStringLiteral("update phrases set lesson = ? where lesson = ?"));
        for (const qint64 old : colliding) {
            for (SqlStatement* statement : { &lesson, &phrases }) {
                statement->reset();
                statement->bind(1, number);
                statement->bind(2, old);
                statement->run();
            }
            moved.append({ qint16(old), qint16(number) });
            ++number;
        }
        SqlStatement advance(db, QStringLiteral("update meta set value = ? where name = 'NextNumber'"));
        advance.bind(1, number);
        advance.run();
        return done;
    });
    if (!written.ok)
        moved.clear();
    return moved;
}
