#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;
class Trace;

/// Qt's own texts (the standard buttons of its dialogs, its context menus) in the
/// learner's language, so that "Aceptar" stands beside the course's Spanish, not "OK".
namespace QtTranslations {

/// The catalogue of the first of LANGUAGES (as QLocale::uiLanguages() gives them) that
/// FOLDER holds, else the Spanish one; empty when FOLDER holds neither.
QString catalogueFor(const QStringList& languages, const QString& folder);

/// The locale Qt's own dialogs write dates and sizes in: SYSTEM when it is a Spanish one,
/// else Spain's Spanish, the learner's language whatever the machine's.
QLocale learnerLocale(const QLocale& system);

/// Installs into APP the catalogue catalogueFor() picks for the system's languages from
/// Qt's own translations folder, and makes learnerLocale() the default locale; returns
/// the file loaded, empty when none.
QString install(QCoreApplication& app);

/// Writes the `translations` trace event: the `file` install() loaded (empty when none)
/// and the system's `languages`.
void trace(Trace& trace, const QString& file);

} // namespace QtTranslations
