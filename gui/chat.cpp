#include "chat.h"

#include "catalogue.h"
#include "text_util.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

constexpr int kHistoryLines = 8;

std::string historyLine(int i) {
    return "CH/" + std::to_string(i);
}

} // namespace

void Chat::wire() {
    open_ = false;
    onClick("ChatLine/SendButton", this, &Chat::sendClicked);
    if (auto* line = dynamic_cast<CEGUI::Editbox*>(findWindow("ChatLine/Line")))
        line->setMaxTextLength(kMaxChatBytes);
}

void Chat::append(const std::string& line) {
    for (int i = 0; i < kHistoryLines; ++i) {
        if (windowText(historyLine(i)).empty()) {
            setText(historyLine(i), line);
            return;
        }
    }
    for (int i = 0; i + 1 < kHistoryLines; ++i)
        setText(historyLine(i), windowText(historyLine(i + 1)));
    setText(historyLine(kHistoryLines - 1), line);
}

void Chat::clearHistory() {
    for (int i = 0; i < kHistoryLines; ++i)
        setText(historyLine(i), "");
}

bool Chat::open(bool networkLive) {
    // The save dialog keeps the keyboard for the file name.
    if (!networkLive || !backend_.gameState().networkGame() || !findWindow("ChatLine") ||
        isShown("ChatLine") || isShown("SaveGame"))
        return false;
    setShown("ChatLine", true);
    activate("ChatLine");
    activate("ChatLine/Line");
    open_ = true;
    return true;
}

void Chat::close() {
    setShown("ChatLine", false);
    open_ = false;
}

void Chat::send() {
    close();
    // The edit box counts characters, the message bytes: cut on a character boundary.
    const std::string line = utf8Prefix(windowText("ChatLine/Line"), kMaxChatBytes);
    if (line.empty())
        return;
    backend_.sendChat(line);
    setText("ChatLine/Line", "");
}

bool Chat::sendClicked(const CEGUI::EventArgs&) {
    send();
    return true;
}

} // namespace korvane
