#include "texts.h"

#include "config_store.h"

namespace korvane {

const Texts& englishTexts() {
    static const Texts english{
        "Checkmate: White wins",
        "Checkmate: Black wins",
        "Resignation: White wins",
        "Resignation: Black wins",
        "Stalemate: a draw",
        "Draw agreed",
        "The game is over",
        "White chooses a piece",
        "Black chooses a piece",
        {"", "Draw by threefold repetition", "Draw by the fifty-move rule",
         "Draw by insufficient material", "Draw by fivefold repetition",
         "Draw by the 75-move rule"},

        PieceLetters::English,
        "PRNBQK",
        "White lost:",
        "Black lost:",

        "Cannot host a game: ",
        "Searching…",
        "No games found",
        "",
        " game found",
        " games found",
        "The host sent a position no game can reach. You have left the game.",

        "Enter the resolution as 1024x768 and anti-aliasing as 2x.",

        {"White", "Black", "Random"},
        "Engine not found: ",
        "Computer",
        "Computer is thinking…",
        "Computer failed",

        "A name must not be empty, hold / or start with a dot.",
        "There is no game to save.",
        "Cannot save the game to ",
        "No games in the folder games.",
        "Choose a game.",
        "Cannot read the file: ",
        "Line ",
        "Cannot load the game: ",
        "A game of this name exists. Save again to replace it.",
        "Loading the game ",

        // The settings dialog's OK when the file cannot be written.
        "The settings could not be saved: ",

        {"White lost on time", "Black lost on time"},
        {"White's time ran out: a draw (Black cannot mate)",
         "Black's time ran out: a draw (White cannot mate)"},
        {"White", "Black"},
        "Paused",
        "No clock",
        "Type a clock as minutes+seconds, e.g. 10+5",
    };
    return english;
}

const Texts& czechTexts() {
    static const Texts czech{
        "Mat: vyhrál bílý",
        "Mat: vyhrál černý",
        "Vzdáno: vyhrál bílý",
        "Vzdáno: vyhrál černý",
        "Pat: remíza",
        "Remíza dohodou",
        "Hra skončila",
        "Bílý vybírá figuru",
        "Černý vybírá figuru",
        {"", "Remíza trojím opakováním pozice", "Remíza podle pravidla padesáti tahů",
         "Remíza pro nedostatek materiálu", "Remíza pětinásobným opakováním pozice",
         "Remíza podle pravidla 75 tahů"},

        PieceLetters::Czech,
        "PVJSDK",
        "Bílý ztratil:",
        "Černý ztratil:",

        "Hru nelze založit: ",
        "Hledám hry…",
        "Žádná hra nenalezena",
        "Nalezené hry: ",
        "",
        "",
        "Hostitel poslal pozici, ke které žádná hra nemůže dojít. Opustili jste hru.",

        "Rozlišení zadejte jako 1024x768 a vyhlazování jako 2x.",

        {"Bílé", "Černé", "Náhodně"},
        "Program nenalezen: ",
        "Počítač",
        "Počítač přemýšlí…",
        "Počítač selhal",

        "Jméno nesmí být prázdné, obsahovat / ani začínat tečkou.",
        "Není co uložit.",
        "Hru nelze uložit do ",
        "Ve složce games nejsou žádné hry.",
        "Vyberte hru.",
        "Soubor nelze přečíst: ",
        "Řádek ",
        "Hru nelze načíst: ",
        "Hra tohoto jména už existuje. Dalším Uložit ji nahradíte.",
        "Načítá se hra ",

        "Nastavení nelze uložit: ",

        {"Bílý prohrál na čas", "Černý prohrál na čas"},
        {"Bílému došel čas: remíza (černý nemůže dát mat)",
         "Černému došel čas: remíza (bílý nemůže dát mat)"},
        {"Bílý", "Černý"},
        "Pozastaveno",
        "Bez hodin",
        "Zadejte hodiny jako minuty+sekundy, např. 10+5",
    };
    return czech;
}

bool czechLanguage() {
    // Only the exact stored value selects Czech, as it selects the Czech layout.
    return ConfigStore::getValue("Lang", "Game", kConfigFile) == kCzechStored;
}

const Texts& texts() {
    return czechLanguage() ? czechTexts() : englishTexts();
}

} // namespace korvane
