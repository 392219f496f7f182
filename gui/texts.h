// Every text the screens write into a window themselves, once per language. The layouts carry
// the rest; these are the texts that depend on the game (a result, a count, a file name).
#pragma once

#include "san.h"

namespace korvane {

struct Texts {
    // The status bar once a game has ended, and while a pawn waits for its piece.
    const char* checkmateWhiteWins;
    const char* checkmateBlackWins;
    const char* resignationWhiteWins;
    const char* resignationBlackWins;
    const char* stalemate;
    const char* agreedDraw;
    const char* gameOver;
    const char* whiteChooses;
    const char* blackChooses;
    // A draw by a rule, by its reason: none, threefold repetition, fifty-move rule,
    // insufficient material, fivefold repetition, 75-move rule.
    const char* drawBy[6];

    // The move list: its piece letters, and the lost pieces under it. Those are indexed by
    // piece kind, pawn to king; pawns have no SAN letter, and both languages call them P
    // (pawn, pěšec).
    PieceLetters moveLetters;
    const char* lostPieceLetters;
    const char* whiteLost;
    const char* blackLost;

    // Hosting and the LAN search; a count reads prefix, number, then the singular or plural.
    const char* cannotHost;
    const char* searching;
    const char* noGamesFound;
    const char* gamesFoundPrefix;
    const char* oneGameFound;
    const char* gamesFound;
    // A guest's refusal of the host's position, in the network error pop-up.
    const char* impossiblePosition;

    // The settings dialog's refusal, for a layout that lacks its own.
    const char* settingsHint;

    // Playing the computer.
    const char* colours[3]; // White, Black, random: the colour list in choice order
    const char* engineNotFound;
    const char* computerTitle;
    const char* computerThinking;
    const char* computerFailed;

    // Saving and loading games.
    const char* badFileName;
    const char* nothingToSave;
    const char* cannotSave;
    const char* noSavedGames;
    const char* chooseGame;
    const char* cannotRead;
    const char* pgnLine;
    const char* cannotLoad;
    const char* gameFileExists; // the save dialog's question before replacing a file
    const char* loadingGame;    // while a long game file is read; its name follows

    // The settings dialog's OK when the settings file cannot be written; the reason follows.
    const char* settingsNotSaved;

    // Clocks: a flag, by the colour whose time ran out, as a loss or (the other side could
    // never mate) a draw; the clock lines' side names; a paused game.
    const char* lostOnTime[2];
    const char* drawnOnTime[2];
    const char* clockSides[2];
    const char* paused;
    // The time-control box's first item, and what a text that is no control gets.
    const char* noClock;
    const char* badTimeControl;
};

const Texts& englishTexts();
const Texts& czechTexts();

// The stored language value that chooses the Czech GUI: the plain spelling every settings
// file written so far holds.
inline const char* const kCzechStored = "Cesky";

// Whether the settings choose the Czech GUI; every screen's own texts follow it.
bool czechLanguage();

// The texts of the configured language, read from the settings file at each call, like the
// layout a rebuild loads.
const Texts& texts();

} // namespace korvane
