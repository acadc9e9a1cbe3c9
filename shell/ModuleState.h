#pragma once

#include "CourseFolder.h"
#include "Database.h"
#include "LearnerStore.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

/// One visit of the history: a lesson shown on a screen.
struct HistoryEntry {
    qint16 lesson = 0;
    qint16 screen = 0;
    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

/// One per-lesson disabled action, in the order the rows of `exclusiones` come.
struct Exclusion {
    qint32 leccion = 0;
    qint16 accion = 0;
};

/// The state every screen shares, owned by the application and handed to the screens by
/// reference. Members keep the course's own names.
struct ModuleState {
    static constexpr int MaxExclusions = 31;

    // Start-up, settings and databases
    QString ProgramFolder;       ///< the course folder, always ending in '/'
    CourseFolder Folder;         ///< resolves the file names the databases hold inside ProgramFolder
    bool CdRom = false;          ///< the course runs from a CD-ROM (iso9660 or udf)
    std::unique_ptr<Database> ContentDb;
    std::unique_ptr<Database> UserDb;
    std::unique_ptr<LearnerStore> Learner; ///< the learner's records; see learnerStore()
    QString InstallSection;
    QString UserFolder;

    // Screens and navigation
    qint16 CurrentLesson = 0;
    qint16 CurrentScreen = 0;
    qint16 CurrentTipo = 0;
    std::vector<HistoryEntry> History;
    qint16 HistoryTop = 0;
    qint16 HistoryCursor = 0;
    qint16 HistoryFurthest = 0;
    bool HistoryMoving = false;
    qint32 NavListHeight = 0;
    bool ExplorerOpen = false;
    bool GlossaryOpen = false;
    bool ActivationHold = false;
    QString MessageText;
    QString FromScreenName;
    QString ToScreenName;
    QString CarouselBackground;  ///< the carousel's own background, restored when it is left

    // Video learning: which side panel it shows (1 tree, 2 phrase list, 3 neither), and
    // whether its videos start at their first phrase (kept when the screen is left)
    quint8 SidePanelMode = 1;
    bool StartAtFirstPhrase = false;

    // Sound
    bool BackgroundSoundOn = true;
    qint16 Volume = 0;

    bool Quitting = false;

    // The card screens' text scroll strip
    qint32 numlineas = 0;        ///< lines of the card text last shown
    qint32 primeralinea = 0;     ///< first visible line of that text, as last read
    qint16 agarrecuadro = 0;     ///< where in the thumb the pointer took it

    std::array<Exclusion, MaxExclusions> Exclusions {};
    qint16 ExclusionCount = 0;
};

/// The learner store of the running course: the one start-up chose, or else one over the
/// open learner database file. Throws CourseError when no learner database is open.
LearnerStore& learnerStore(ModuleState& state);
