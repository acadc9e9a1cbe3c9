#pragma once

#include "LearnerStore.h"

#include <QString>
#include <optional>
#include <vector>

/// How the learner's earlier test attempts read in the explorer: the best score beside
/// the test's lesson, and the list of attempts under the pointer.
namespace AttemptSummary {

/// How many attempts the list shows, the latest first.
constexpr int ListedAttempts = 10;

/// " — mejor: 80 %" for the lesson's node; empty without an attempt.
QString bestCaption(const std::optional<qint32>& best);
/// One line per attempt, the latest first: "08/12/2026 09:30 — 70 de 80 puntos (87 %)",
/// in local time; "Aún no has hecho esta prueba." without any.
QString history(const std::vector<TestAttempt>& attempts);

} // namespace AttemptSummary
