#pragma once

#include "MediaRecipes.h"

#include <QList>

/// The recipe kind "narration": a carousel's sound track, sentences of speech
/// (espeak-ng) one after another with a pause between them.
///   narration OUTPUT.wav lines="First.|Second." starts="600,3200" [lang=en|es]
///             [speed=WPM] [lead=S] [pause=S]
/// The picture rows of the sequence (wavcarrusel.segundo) hold the millisecond at which
/// each sentence begins. STARTS repeats those times, and the recipe measures the speech
/// it generates and fails, naming the measured times, when they no longer agree, so the
/// pictures always enter with their sentences.
class NarrationRecipe {
public:
    /// How far a written start may lie from the measured one, in milliseconds.
    static constexpr int ToleranceMs = 40;

    /// Makes the sound of RECIPE; throws CourseError naming what is wrong.
    static void make(const MediaRecipes::Recipe& recipe);

    /// The start in milliseconds of each sentence of LENGTHS (seconds), after LEAD seconds
    /// of silence and with PAUSE seconds between sentences.
    static QList<int> sentenceStarts(const QList<double>& lengths, double lead, double pause);
};
