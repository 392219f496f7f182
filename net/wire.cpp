#include "wire.h"

#include "config/utf8.h"

namespace korvane::net {

namespace {

constexpr std::uint8_t kZero = 0;

std::uint8_t small(int value) {
    return static_cast<std::uint8_t>(value + 1);
}

bool inRange(int v, int lo, int hi) {
    return v >= lo && v <= hi;
}

bool validPiece(int kind, int index) {
    return slotOf(kind, index) >= 0;
}

void appendText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(kZero);
}

// The text starting at `from` up to its zero, which must be the packet's last byte.
DropReason readText(const std::uint8_t* data, std::size_t length, std::size_t from,
                    std::size_t maxBytes, std::string& out) {
    std::size_t end = from;
    while (end < length && data[end] != 0)
        ++end;
    if (end >= length)
        return DropReason::Unterminated;
    if (end + 1 != length)
        return DropReason::Length;
    out = cleanText(std::string(reinterpret_cast<const char*>(data + from), end - from), maxBytes);
    return DropReason::Accepted;
}

} // namespace

std::string cleanText(const std::string& text, std::size_t maxBytes) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const Utf8Step step = nextUtf8Character(text, i);
        std::string piece;
        if (!step.valid) {
            piece = kReplacementCharacter;
        } else {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (step.length == 1 && (c < 0x20 || c == 0x7F)) {
                ++i;
                continue;
            }
            piece = text.substr(i, step.length);
        }
        i += step.length;
        if (out.size() + piece.size() > maxBytes)
            break;
        out += piece;
    }
    return out;
}

Bytes encodeChat(const std::string& text) {
    const std::string clean = cleanText(text, kMaxChatBytes);
    if (clean.empty())
        return {};
    Bytes out{static_cast<std::uint8_t>(MessageId::Chat)};
    appendText(out, clean);
    return out;
}

Bytes encodeNewGame() {
    return encodeBare(MessageId::NewGame);
}

Bytes encodeSwitchSides(int hostColour) {
    if (!inRange(hostColour, 0, 1))
        return {};
    return {static_cast<std::uint8_t>(MessageId::SwitchSides), small(hostColour), kZero};
}

Bytes encodeMove(int kind, int index, int ordinal) {
    if (!validPiece(kind, index) || !inRange(ordinal, 0, 27))
        return {};
    return {static_cast<std::uint8_t>(MessageId::Move), small(kind), small(index), small(ordinal),
            kZero};
}

Bytes encodePromotion(int pawnIndex, int pieceCode) {
    if (!inRange(pawnIndex, 0, 7) || !inRange(pieceCode, 1, 4))
        return {};
    return {static_cast<std::uint8_t>(MessageId::Promotion), small(pawnIndex),
            static_cast<std::uint8_t>(pieceCode), kZero};
}

Bytes encodePieceState(int colour, int kind, int index, bool alive, int x, int y) {
    if (!inRange(colour, 0, 1) || !validPiece(kind, index) || !inRange(x, 0, 7) ||
        !inRange(y, 0, 7))
        return {};
    return {static_cast<std::uint8_t>(MessageId::PieceState),
            small(colour),
            small(kind),
            small(index),
            small(alive ? 1 : 0),
            small(x),
            small(y),
            kZero};
}

Bytes encodeResign() {
    return encodeBare(MessageId::Resign);
}

Bytes encodePieceSelected(int kind, int index) {
    if (!validPiece(kind, index))
        return {};
    return {static_cast<std::uint8_t>(MessageId::PieceSelected), small(kind), small(index), kZero};
}

Bytes encodeBare(MessageId id) {
    return {static_cast<std::uint8_t>(id), kZero};
}

Bytes encodeGameDetails(const GameDetails& d) {
    const bool noLastMove = d.lastMoveFrom == -1 && d.lastMoveTo == -1;
    const bool lastMove = inRange(d.lastMoveFrom, 0, 63) && inRange(d.lastMoveTo, 0, 63);
    if (!inRange(d.enPassantFile, -1, 7) || !(noLastMove || lastMove))
        return {};
    const int castling = 1 + (d.whiteKingSide ? 1 : 0) + (d.whiteQueenSide ? 2 : 0) +
                         (d.blackKingSide ? 4 : 0) + (d.blackQueenSide ? 8 : 0);
    return {static_cast<std::uint8_t>(MessageId::GameDetails),
            static_cast<std::uint8_t>(castling),
            static_cast<std::uint8_t>(2 + d.enPassantFile),
            static_cast<std::uint8_t>(lastMove ? 2 + d.lastMoveFrom : 1),
            static_cast<std::uint8_t>(lastMove ? 2 + d.lastMoveTo : 1),
            kZero};
}

Bytes encodeHostBlock(int hostColour, int sideToMove, const std::string& name) {
    if (!inRange(hostColour, 0, 1) || !inRange(sideToMove, -1, 1))
        return {};
    // A finished game has no side to move. 3 names no side, so a guest keeps its own; 0 would
    // do the same, but no byte before the name's end is ever zero.
    const std::uint8_t side = sideToMove < 0 ? 3 : small(sideToMove);
    Bytes out{static_cast<std::uint8_t>(NetEvent::ReceivedStaticData),
              static_cast<std::uint8_t>(MessageId::HostInfo), kProtocolVersion, small(hostColour),
              side};
    appendText(out, cleanText(name, kMaxNameBytes));
    return out;
}

Bytes encodeGuestBlock(const std::string& name) {
    Bytes out{static_cast<std::uint8_t>(NetEvent::ReceivedStaticData),
              static_cast<std::uint8_t>(MessageId::GuestInfo), kProtocolVersion};
    appendText(out, cleanText(name, kMaxNameBytes));
    return out;
}

DropReason decode(const std::uint8_t* data, std::size_t length, Decoded& out) {
    out = Decoded();
    if (!data || length == 0)
        return DropReason::Empty;
    const std::uint8_t id = data[0];
    out.id = id;
    const auto field = [&](std::size_t i) { return int(data[i]) - 1; };
    // A fixed layout: exact length and the final zero.
    const auto fixed = [&](std::size_t size) { return length == size && data[size - 1] == 0; };

    switch (id) {
    case std::uint8_t(NetEvent::ConnectionAccepted):
    case std::uint8_t(NetEvent::ConnectionAttemptFailed):
    case std::uint8_t(NetEvent::NewIncomingConnection):
    case std::uint8_t(NetEvent::NoFreeIncomingConnections):
    case std::uint8_t(NetEvent::DisconnectionNotification):
    case std::uint8_t(NetEvent::ConnectionLost):
    case std::uint8_t(NetEvent::Pong):
        return DropReason::Accepted;
    case std::uint8_t(NetEvent::ReceivedStaticData): {
        if (length < 2)
            return DropReason::Length;
        out.blockCode = data[1];
        if (out.blockCode == kRefusalBlockA || out.blockCode == kRefusalBlockB)
            return DropReason::Accepted;
        if (out.blockCode == std::uint8_t(MessageId::HostInfo)) {
            if (length < 5)
                return DropReason::Length;
            out.version = data[2];
            out.colour = field(3);
            if (!inRange(out.colour, 0, 1))
                return DropReason::Range;
            out.sideToMove = inRange(field(4), 0, 1) ? field(4) : -1;
            return readText(data, length, 5, kMaxNameBytes, out.text);
        }
        if (out.blockCode == std::uint8_t(MessageId::GuestInfo)) {
            if (length < 3)
                return DropReason::Length;
            out.version = data[2];
            return readText(data, length, 3, kMaxNameBytes, out.text);
        }
        return DropReason::Range;
    }
    default:
        break;
    }

    if (id < std::uint8_t(MessageId::Chat) || id > std::uint8_t(MessageId::GameDetails) ||
        id == std::uint8_t(MessageId::HostInfo) || id == std::uint8_t(MessageId::GuestInfo))
        return DropReason::Unknown;

    switch (MessageId(id)) {
    case MessageId::Chat: {
        const DropReason r = readText(data, length, 1, kMaxChatBytes, out.text);
        if (r != DropReason::Accepted)
            return r;
        // A line that cleans down to nothing has nothing to show.
        return out.text.empty() ? DropReason::Range : DropReason::Accepted;
    }
    case MessageId::NewGame:
    case MessageId::Resign:
    case MessageId::DrawOffer:
    case MessageId::DrawAccepted:
    case MessageId::DrawDeclined:
    case MessageId::RevokeRequest:
    case MessageId::RevokeAccepted:
    case MessageId::RevokeDeclined:
        return fixed(2) ? DropReason::Accepted : DropReason::Length;
    case MessageId::SwitchSides:
        if (!fixed(3))
            return DropReason::Length;
        out.colour = field(1);
        return inRange(out.colour, 0, 1) ? DropReason::Accepted : DropReason::Range;
    case MessageId::Move:
        if (!fixed(5))
            return DropReason::Length;
        out.kind = field(1);
        out.index = field(2);
        out.ordinal = field(3);
        return validPiece(out.kind, out.index) && inRange(out.ordinal, 0, 27) ? DropReason::Accepted
                                                                              : DropReason::Range;
    case MessageId::Promotion:
        if (!fixed(4))
            return DropReason::Length;
        out.index = field(1);
        out.pieceCode = data[2];
        return inRange(out.index, 0, 7) && inRange(out.pieceCode, 1, 4) ? DropReason::Accepted
                                                                        : DropReason::Range;
    case MessageId::PieceSelected:
        if (!fixed(4))
            return DropReason::Length;
        out.kind = field(1);
        out.index = field(2);
        return validPiece(out.kind, out.index) ? DropReason::Accepted : DropReason::Range;
    case MessageId::PieceState: {
        if (!fixed(8))
            return DropReason::Length;
        out.colour = field(1);
        out.kind = field(2);
        out.index = field(3);
        const int alive = field(4);
        out.x = field(5);
        out.y = field(6);
        if (!inRange(out.colour, 0, 1) || !validPiece(out.kind, out.index) || !inRange(alive, 0, 1))
            return DropReason::Range;
        out.alive = alive == 1;
        // A dead piece's square means nothing, and a reserve that was never placed has none: an
        // older peer sends it as -1 + 1, a zero byte. Any bytes will do for a dead piece.
        if (!out.alive) {
            out.x = out.y = -1;
            return DropReason::Accepted;
        }
        return inRange(out.x, 0, 7) && inRange(out.y, 0, 7) ? DropReason::Accepted
                                                            : DropReason::Range;
    }
    case MessageId::GameDetails: {
        if (!fixed(6))
            return DropReason::Length;
        const int c = data[1], e = data[2], f = data[3], t = data[4];
        if (!inRange(c, 1, 16) || !inRange(e, 1, 9) || !inRange(f, 1, 65) || !inRange(t, 1, 65) ||
            ((f == 1) != (t == 1)))
            return DropReason::Range;
        out.details.whiteKingSide = (c - 1) & 1;
        out.details.whiteQueenSide = (c - 1) & 2;
        out.details.blackKingSide = (c - 1) & 4;
        out.details.blackQueenSide = (c - 1) & 8;
        out.details.enPassantFile = e == 1 ? -1 : e - 2;
        out.details.lastMoveFrom = f == 1 ? -1 : f - 2;
        out.details.lastMoveTo = t == 1 ? -1 : t - 2;
        return DropReason::Accepted;
    }
    default:
        return DropReason::Unknown;
    }
}

} // namespace korvane::net
