#include "pgn.h"

#include "draw.h"
#include "replay.h"
#include "uci_move.h"

#include <cctype>
#include <memory>

namespace korvane {

namespace {

std::string quoted(const std::string& value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        // A line break would end the tag; it becomes a blank.
        out += c == '\n' || c == '\r' ? ' ' : c;
    }
    return out + '"';
}

bool isResult(const std::string& token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

bool isAnnotation(const std::string& token) {
    return token.find_first_not_of("!?") == std::string::npos;
}

// Walks the text token by token for one game after another, and plays the moves of the game
// asked for on a game of its own.
class Reader {
  public:
    Reader(const std::string& text, int index, PgnMoves moves)
        : text_(text), wanted_(index), moves_(moves) {}

    bool read(PgnGame& out, PgnError& error) {
        if (wanted_ < 0)
            return fail(error, 1, "there is no game number " + std::to_string(wanted_ + 1));
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            at_ = 3;
        for (;;) {
            const bool more = readGame(error);
            if (!error.reason.empty())
                return false;
            if (!more)
                break;
            if (games_ - 1 == wanted_) {
                out = std::move(game_);
                return true;
            }
        }
        // The end of the text is on its last line, not after its last line break.
        const int last = line_ - (at_ > 0 && text_[at_ - 1] == '\n' ? 1 : 0);
        if (games_ == 0)
            return fail(error, last, "the text holds no game");
        return fail(error, last,
                    "the text holds " + std::to_string(games_) + " games, not " +
                        std::to_string(wanted_ + 1));
    }

  private:
    bool fail(PgnError& error, int line, const std::string& reason) {
        error.line = line;
        error.reason = reason;
        return false;
    }

    bool wanted() const { return games_ == wanted_; }

    // Reads one game; false at the end of the text before any of it (or on an error).
    bool readGame(PgnError& error) {
        game_ = PgnGame();
        play_.reset();
        ended_ = DrawReason::None;
        bool any = false, movetext = false;
        int depth = 0, depthLine = 0;
        for (;;) {
            skipBlanks();
            if (at_ >= text_.size())
                break;
            const char c = text_[at_];
            const int line = line_;
            if (c == '%' && (at_ == 0 || text_[at_ - 1] == '\n')) {
                skipLine();
            } else if (c == ';') {
                skipLine();
            } else if (c == '{') {
                const std::size_t close = text_.find('}', at_);
                if (close == std::string::npos)
                    return fail(error, line, "the comment that starts here is not closed");
                advanceTo(close + 1);
            } else if (c == '[') {
                if (movetext) // the next game's tags; this one had no result
                    break;
                if (depth)
                    return fail(error, line, "a tag inside a variation");
                if (!readTag(error))
                    return false;
                any = true;
            } else if (c == '(') {
                if (!depth)
                    depthLine = line;
                ++depth;
                ++at_;
                any = movetext = true;
            } else if (c == ')') {
                if (!depth)
                    return fail(error, line, "')' closes no variation");
                --depth;
                ++at_;
            } else if (c == '$') {
                std::size_t end = at_ + 1;
                while (end < text_.size() && std::isdigit(static_cast<unsigned char>(text_[end])))
                    ++end;
                if (end == at_ + 1)
                    return fail(error, line, "'$' without a number");
                at_ = end;
                any = movetext = true;
            } else {
                std::string token = symbol();
                if (token.empty())
                    return fail(error, line, std::string("unexpected character '") + c + "'");
                any = movetext = true;
                if (depth)
                    continue;
                if (isResult(token)) {
                    game_.result = token;
                    break;
                }
                // A move number: "12." or "12..." or glued to the move, "12...Nf6".
                std::size_t digits = 0;
                while (digits < token.size() &&
                       std::isdigit(static_cast<unsigned char>(token[digits])))
                    ++digits;
                if (digits && digits < token.size() && token[digits] == '.') {
                    std::size_t dots = digits;
                    while (dots < token.size() && token[dots] == '.')
                        ++dots;
                    token = token.substr(dots);
                    if (token.empty())
                        continue;
                }
                if (isAnnotation(token) || token == "e.p." ||
                    token.find_first_not_of('.') == std::string::npos)
                    continue;
                if (wanted() && !playMove(token, line, error))
                    return false;
            }
        }
        if (depth)
            return fail(error, depthLine, "the variation that starts here is not closed");
        if (!any)
            return false;
        if (wanted() && !finish(error))
            return false;
        ++games_;
        return true;
    }

    bool readTag(PgnError& error) {
        const int line = line_;
        std::size_t i = at_ + 1;
        auto blanks = [&] {
            while (i < text_.size() && (text_[i] == ' ' || text_[i] == '\t'))
                ++i;
        };
        blanks();
        const std::size_t nameStart = i;
        while (i < text_.size() &&
               (std::isalnum(static_cast<unsigned char>(text_[i])) || text_[i] == '_'))
            ++i;
        PgnTag tag;
        tag.name = text_.substr(nameStart, i - nameStart);
        blanks();
        if (tag.name.empty() || i >= text_.size() || text_[i] != '"')
            return fail(error, line, "a tag must read [Name \"value\"]");
        for (++i; i < text_.size() && text_[i] != '"'; ++i) {
            if (text_[i] == '\n')
                return fail(error, line, "the tag's value is not closed on its line");
            if (text_[i] == '\\' && i + 1 < text_.size() &&
                (text_[i + 1] == '"' || text_[i + 1] == '\\'))
                ++i;
            tag.value += text_[i];
        }
        if (i >= text_.size())
            return fail(error, line, "the tag's value is not closed on its line");
        ++i;
        blanks();
        if (i >= text_.size() || text_[i] != ']')
            return fail(error, line, "a tag must read [Name \"value\"]");
        at_ = i + 1;
        if (wanted()) {
            if (tag.name == "FEN")
                fenLine_ = line;
            game_.tags.push_back(tag);
        }
        return true;
    }

    // The game the moves are played on, set up at the first move or at the end.
    bool begin(PgnError& error) {
        if (play_)
            return true;
        play_ = std::make_unique<Replay>();
        game_.startFen = game_.tag("FEN");
        std::string reason;
        if (!play_->load(game_.startFen, {}, &reason))
            return fail(error, fenLine_, "the FEN tag gives no playable position: " + reason);
        return true;
    }

    bool playMove(const std::string& token, int line, PgnError& error) {
        if (!begin(error))
            return false;
        Replay& play = *play_;
        // Named as a reader finds it in the movetext: "44. Rf1", "44... Rf1".
        const std::string named = std::to_string(play.history().counters().fullmoveNumber) +
                                  (play.sideToMove() == Turn::Black ? "... " : ". ") + token;
        if (ended_ != DrawReason::None)
            return fail(error, line,
                        named + " comes after the game ended in a draw by " + drawName(ended_));
        Move move;
        std::string reason;
        if (moves_ == PgnMoves::Uci) {
            if (!parseUci(token, move))
                return fail(error, line, named + " is not a move");
        } else if (!resolveSan(play.position(), colourOf(play.sideToMove()), token, move,
                               &reason)) {
            const std::string quoted = "'" + token + "'";
            const std::size_t at = reason.find(quoted);
            if (at != std::string::npos)
                reason.replace(at, quoted.size(), named);
            return fail(error, line, reason);
        }
        if (!play.play(move))
            return fail(error, line, named + " is not a legal move");
        // A draw the rules make by themselves ends the game on the spot, as it does on the
        // board; the file may not play on after it.
        ended_ = automaticDraw(play.history(), play.position(), play.sideToMove());
        return true;
    }

    static const char* drawName(DrawReason reason) {
        switch (reason) {
        case DrawReason::InsufficientMaterial:
            return "insufficient material";
        case DrawReason::FivefoldRepetition:
            return "fivefold repetition";
        case DrawReason::SeventyFiveMoveRule:
            return "the 75-move rule";
        default:
            return "rule";
        }
    }

    bool finish(PgnError& error) {
        if (!begin(error))
            return false;
        const GameHistory& history = play_->history();
        for (const PlayedMove& m : history.moves())
            game_.moves.push_back(m.squares);
        game_.san = history.sanMoves();
        game_.finalFen = play_->fen();
        return true;
    }

    std::string symbol() {
        const std::size_t start = at_;
        while (at_ < text_.size()) {
            const char c = text_[at_];
            if (std::isspace(static_cast<unsigned char>(c)) ||
                std::string("{}();[]$\"%").find(c) != std::string::npos)
                break;
            ++at_;
        }
        return text_.substr(start, at_ - start);
    }

    void skipBlanks() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            if (text_[at_] == '\n')
                ++line_;
            ++at_;
        }
    }

    void skipLine() {
        while (at_ < text_.size() && text_[at_] != '\n')
            ++at_;
    }

    void advanceTo(std::size_t end) {
        for (; at_ < end; ++at_)
            if (text_[at_] == '\n')
                ++line_;
    }

    const std::string& text_;
    const int wanted_;
    const PgnMoves moves_;
    std::size_t at_ = 0;
    int line_ = 1;
    int games_ = 0;
    int fenLine_ = 1;
    PgnGame game_;
    std::unique_ptr<Replay> play_;
    DrawReason ended_ = DrawReason::None; // the draw that ended the game read so far
};

} // namespace

const char* resultText(PgnResult result) {
    switch (result) {
    case PgnResult::WhiteWins:
        return "1-0";
    case PgnResult::BlackWins:
        return "0-1";
    case PgnResult::Draw:
        return "1/2-1/2";
    case PgnResult::Unfinished:
        break;
    }
    return "*";
}

std::string writePgn(const GameHistory& history, const PgnHeader& header, PgnResult result) {
    const std::string resultToken = resultText(result);
    std::string out;
    auto tag = [&](const std::string& name, const std::string& value) {
        out += "[" + name + " " + quoted(value) + "]\n";
    };
    // A roster tag is never empty: "?" is what the format has for a value not known.
    auto roster = [&](const std::string& name, const std::string& value) {
        tag(name, value.empty() ? "?" : value);
    };
    roster("Event", header.event);
    roster("Site", header.site);
    roster("Date", header.date);
    roster("Round", header.round);
    roster("White", header.white);
    roster("Black", header.black);
    tag("Result", resultToken);
    if (!history.standardStart()) {
        tag("SetUp", "1");
        tag("FEN", history.startFen());
    }
    for (const PgnTag& t : header.extra)
        tag(t.name, t.value);
    out += '\n';

    // Each move with its number (a game that starts with Black's move numbers it "N..."),
    // kept whole on its line.
    std::vector<std::string> units;
    int number = history.startCounters().fullmoveNumber;
    const std::vector<PlayedMove>& moves = history.moves();
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const std::string san = sanText(moves[i].san);
        if (moves[i].colour == White)
            units.push_back(std::to_string(number) + ". " + san);
        else if (i == 0)
            units.push_back(std::to_string(number) + "... " + san);
        else
            units.push_back(san);
        number = moves[i].counters.fullmoveNumber;
    }
    units.push_back(resultToken);
    std::string line;
    for (const std::string& unit : units) {
        // The export format asks for lines of fewer than 80 characters.
        if (!line.empty() && line.size() + 1 + unit.size() > 79) {
            out += line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + unit;
    }
    return out + line + "\n";
}

std::string PgnGame::tag(const std::string& name) const {
    for (const PgnTag& t : tags)
        if (t.name == name)
            return t.value;
    return "";
}

bool readPgn(const std::string& text, PgnGame& game, PgnError& error, int index, PgnMoves moves) {
    error = PgnError();
    PgnGame read;
    Reader reader(text, index, moves);
    if (!reader.read(read, error))
        return false;
    game = std::move(read);
    return true;
}

} // namespace korvane
