// The bytes two Korvane programs exchange: every game message, the two identification blocks
// and the connection-event codes. This is the only place that knows where a byte goes;
// everything else works with the decoded values.
#pragma once

#include "rules/position.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvane::net {

using Bytes = std::vector<std::uint8_t>;

// Byte 0 of a game message.
enum class MessageId : std::uint8_t {
    Chat = 82,
    NewGame = 83,
    SwitchSides = 84,
    Move = 85,
    Promotion = 86,
    PieceState = 87,
    Resign = 88,
    PieceSelected = 89,
    HostInfo = 90,  // first byte of the host's identification block
    GuestInfo = 91, // first byte of the guest's identification block
    DrawOffer = 92,
    DrawAccepted = 93,
    DrawDeclined = 94,
    RevokeRequest = 95,
    RevokeAccepted = 96,
    RevokeDeclined = 97,
    // Castling rights, en-passant file and last move, after the piece-state dump. A peer that
    // does not know it ignores it, as it ignores every unknown identifier.
    GameDetails = 98,
};

// Connection events, as byte 0 of the items a transport delivers. They never travel: the
// transport turns its own connection events into these codes.
enum class NetEvent : std::uint8_t {
    ConnectionAccepted = 16, // guest: connected, the host's block follows
    ConnectionAttemptFailed = 17,
    NewIncomingConnection = 18, // host: a guest connected
    NoFreeIncomingConnections = 19,
    DisconnectionNotification = 20, // the peer left on purpose
    ConnectionLost = 21,
    Pong = 27,               // a LAN search answer
    ReceivedStaticData = 28, // an identification block follows in bytes 1..
};

inline constexpr std::uint8_t kProtocolVersion = 110;
inline constexpr std::size_t kMaxChatBytes = 150;
inline constexpr std::size_t kMaxNameBytes = 50;
// The longest message is a chat line: its identifier, 150 bytes and the zero. A peer's
// over-long text is cut on arrival rather than refused, so some room is left above that; a
// packet beyond it is no message of this game, and its memory is never reserved.
inline constexpr std::size_t kMaxPacketBytes = 1024;
// Block codes an old peer may send instead of 90 or 91; they only make the receiver leave.
inline constexpr std::uint8_t kRefusalBlockA = 80;
inline constexpr std::uint8_t kRefusalBlockB = 81;

// Texts that arrive from a file or the network: invalid UTF-8 becomes U+FFFD, control
// characters (below 0x20 and 0x7F) are dropped, and the result is cut to maxBytes on a
// character boundary.
std::string cleanText(const std::string& text, std::size_t maxBytes);

// ---- encoding: complete messages, identifier first, final zero included ----
// A value outside its range (a colour other than 0 or 1, a kind/index pair that names no piece,
// an ordinal past 27, a square off the board, ...) gives an empty message rather than bytes the
// peer would drop or misread; sending an empty message sends nothing. Only texts are changed to
// fit: cleaned and cut.

// The text is cleaned and cut to kMaxChatBytes first; an empty result gives an empty message.
Bytes encodeChat(const std::string& text);
Bytes encodeNewGame();
// hostColour: 0 the host now plays White, 1 Black (sent as 1 or 2, as is).
Bytes encodeSwitchSides(int hostColour);
Bytes encodeMove(int kind, int index, int ordinal);
Bytes encodePromotion(int pawnIndex, int pieceCode);
Bytes encodePieceState(int colour, int kind, int index, bool alive, int x, int y);
Bytes encodeResign();
Bytes encodePieceSelected(int kind, int index);
// The question messages 92-97, which carry nothing but their identifier.
Bytes encodeBare(MessageId id);

// What message 98 carries: what a position holds beyond its placement. The en-passant file is
// -1 or 0..7; the last move is either -1 / -1 or two squares 0..63.
using GameDetails = PositionDetails;
Bytes encodeGameDetails(const GameDetails& details);

// Identification blocks as they travel: byte 28, then the block (90 or 91, version, ...).
// hostColour 0 White / 1 Black goes as 1 / 2; sideToMove 0 / 1 as 1 / 2, and -1 (no side: the
// game is over) as 3, which a receiver decodes as -1 and leaves its own side to move alone.
// Names are cleaned and cut to kMaxNameBytes.
Bytes encodeHostBlock(int hostColour, int sideToMove, const std::string& name);
Bytes encodeGuestBlock(const std::string& name);

// ---- decoding ----

// Why a received item was not accepted. Everything but Accepted is dropped and counted.
enum class DropReason {
    Accepted,
    Empty,
    Unknown,      // an identifier nobody handles (ignored silently, still counted)
    Length,       // too short or too long for its layout
    Unterminated, // a text without its zero inside the packet
    Range,        // a field out of range
};

// A decoded item: a connection event, a game message or an identification block. Only the
// fields of its kind are meaningful; all are decoded values (no +1).
struct Decoded {
    // Byte 0: a MessageId, or a NetEvent for connection events and blocks.
    std::uint8_t id = 0;
    // Blocks: 90 host, 91 guest, 80/81 refusal; version as received.
    std::uint8_t blockCode = 0;
    std::uint8_t version = 0;
    int colour = -1; // PieceState; host block: the host's colour; SwitchSides: host's new colour
    int kind = -1;
    int index = -1;
    int ordinal = -1;
    int pieceCode = 0; // Promotion 1..4
    bool alive = false;
    int x = -1;
    int y = -1;
    int sideToMove = -1; // host block: 0, 1, or -1 for a byte that names no side
    std::string text;    // chat text or player name, cleaned
    GameDetails details;
};

// Decodes one received item. Event codes 16-21 and 27 carry nothing and are accepted with
// any length; 28 must hold a well-formed block (a refusal block 80/81 may hold anything).
// Received texts are cleaned and an over-long one is cut, not refused. A PieceState of a dead
// piece is accepted whatever its square bytes say, and decodes with x = y = -1. On anything
// but Accepted, `out` is undefined.
DropReason decode(const std::uint8_t* data, std::size_t length, Decoded& out);

} // namespace korvane::net
