#include "catalogue.h"

#include "text_util.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

std::vector<CatalogueEntry> makeCatalogue() {
    using K = WidgetKind;
    std::vector<CatalogueEntry> c;
    auto add = [&c](const std::string& name, K kind) { c.push_back({name, kind}); };
    auto buttons = [&](const std::string& parent, std::initializer_list<const char*> names) {
        for (const char* n : names)
            add(parent + "/" + n, K::PushButton);
    };
    add("Root", K::Root);
    add("Menu", K::Panel);
    buttons("Menu",
            {"LocalButton", "NetworkButton", "SettingsButton", "AboutButton", "ExitButton"});
    add("Logo", K::Static);
    add("LocalIngame", K::Panel);
    buttons("LocalIngame", {"RestartButton", "QuitButton"});
    add("NetworkMenu", K::Panel);
    buttons("NetworkMenu", {"CreateButton", "JoinButton", "BackButton"});
    add("JoinGame", K::Panel);
    add("JoinGame/LANServersList", K::Listbox);
    buttons("JoinGame", {"RefreshButton", "DirectButton", "ConnectButton", "BackButton"});
    add("JoinGameDirect", K::FrameWindow);
    add("JoinGameDirect/Line", K::Editbox);
    buttons("JoinGameDirect", {"ConnectButton"});
    add("ConnectingPopUp", K::Panel);
    add("ConnectingPopUp/Connecting", K::Static);
    add("ConnectingPopUp/NotConnected", K::Static);
    buttons("ConnectingPopUp", {"OKButton"});
    add("NetworkIngame", K::Panel);
    buttons("NetworkIngame", {"LeaveButton", "NewButton", "SwitchButton", "ResignButton",
                              "DrawButton", "RevokeButton"});
    add("NetworkErrPopUp", K::Panel);
    add("NetworkErrPopUp/Disconnected", K::Static);
    add("NetworkErrPopUp/Lost", K::Static);
    add("NetworkErrPopUp/Impossible", K::Static);
    buttons("NetworkErrPopUp", {"OKButton"});
    add("OfferDrawPopUp", K::Panel);
    buttons("OfferDrawPopUp", {"AcceptButton", "DeclineButton"});
    add("WantsRemovePopUp", K::Panel);
    buttons("WantsRemovePopUp", {"AcceptButton", "DeclineButton"});
    add("IngamePawnTransform", K::Panel);
    buttons("IngamePawnTransform", {"Rook", "Knight", "Bishop", "Queen"});
    add("GameEnd", K::Panel);
    for (const char* n : {"Stalemate", "Checkmate", "WhiteWon", "BlackWon"})
        add(std::string("GameEnd/") + n, K::Static);
    buttons("GameEnd", {"OKButton"});
    add("StatusBar", K::Panel);
    add("StatusBar/WhiteOnMove", K::Static);
    add("StatusBar/BlackOnMove", K::Static);
    add("ChatHistory", K::Panel);
    for (int i = 0; i < 8; ++i)
        add("CH/" + std::to_string(i), K::Static);
    add("ChatLine", K::Panel);
    add("ChatLine/Line", K::Editbox);
    buttons("ChatLine", {"SendButton"});
    add("Settings", K::Panel);
    for (const char* n : {"RS", "Res", "Depth", "AA", "Lang"})
        add(std::string("Settings/") + n, K::Combobox);
    add("Settings/PName", K::Editbox);
    for (const char* n : {"FS", "VSync", "Shadows", "Sounds", "FlipView", "Highlighting",
                          "LastMoveHighlighting", "Cartoon"})
        add(std::string("Settings/") + n, K::Checkbox);
    buttons("Settings", {"OKButton", "CancelButton"});
    add("About", K::FrameWindow);
    add("About/LatestVersion", K::Static);
    buttons("About", {"OKButton"});
    // Why hosting failed, and how the LAN search is going.
    add("NetworkMenu/Status", K::Static);
    add("JoinGame/SearchStatus", K::Static);
    // What the status bar says when nobody is simply to move: the result, or whose pawn
    // waits for its promotion piece.
    add("StatusBar/Result", K::Static);
    // Playing the computer: the menu entry, why it is off, its dialog, and taking back the
    // player's move with the engine's reply.
    add("Menu/ComputerButton", K::PushButton);
    add("Menu/ComputerHint", K::Static);
    add("ComputerSetup", K::Panel);
    add("ComputerSetup/Colour", K::Combobox);
    add("ComputerSetup/Level", K::Combobox);
    buttons("ComputerSetup", {"StartButton", "CancelButton"});
    add("LocalIngame/TakeBackButton", K::PushButton);
    // The game's moves in SAN and the pieces each side has lost.
    add("MoveList", K::Panel);
    add("MoveList/Moves", K::Listbox);
    add("MoveList/Captured", K::Static);
    // Drawn games by rule, saving a game and loading one.
    add("LocalIngame/ClaimDrawButton", K::PushButton);
    add("LocalIngame/SaveButton", K::PushButton);
    add("GameEnd/Draw", K::Static);
    add("SaveGame", K::Panel);
    add("SaveGame/Name", K::Editbox);
    add("SaveGame/Message", K::Static);
    buttons("SaveGame", {"SaveButton", "CancelButton"});
    add("Menu/LoadButton", K::PushButton);
    add("NetworkIngame/ClaimDrawButton", K::PushButton);
    add("NetworkIngame/SaveButton", K::PushButton);
    add("LoadGame", K::Panel);
    add("LoadGame/Files", K::Listbox);
    add("LoadGame/Message", K::Static);
    buttons("LoadGame", {"LoadButton", "CancelButton"});
    // The clocks of a game with a time control, beside the status bar.
    add("Clocks", K::Panel);
    add("Clocks/White", K::Static);
    add("Clocks/Black", K::Static);
    // Where the next game's time control is chosen.
    add("LocalIngame/Time", K::Combobox);
    add("ComputerSetup/Time", K::Combobox);
    return c;
}

} // namespace

const std::vector<CatalogueEntry>& windowCatalogue() {
    static const std::vector<CatalogueEntry> catalogue = makeCatalogue();
    return catalogue;
}

std::string windowPath(const std::string& catalogueName) {
    if (catalogueName == "Root")
        return std::string();
    if (catalogueName.compare(0, 3, "CH/") == 0)
        return "ChatHistory/" + catalogueName;
    return catalogueName;
}

CEGUI::Window* findWindow(const std::string& catalogueName) {
    if (!CEGUI::System::getSingletonPtr())
        return nullptr;
    CEGUI::Window* root = CEGUI::System::getSingleton().getDefaultGUIContext().getRootWindow();
    if (!root)
        return nullptr;
    const std::string path = windowPath(catalogueName);
    if (path.empty())
        return root;
    // isChild first: getChild throws and logs for a path that is not there.
    const CEGUI::String guiPath(path.c_str());
    if (root->isChild(guiPath))
        return root->getChild(guiPath);
    return nullptr;
}

bool hasKind(const CEGUI::Window* window, WidgetKind kind) {
    if (!window)
        return false;
    switch (kind) {
    case WidgetKind::Root:
        return window->getParent() == nullptr;
    case WidgetKind::Panel:
    case WidgetKind::Static:
        return true;
    case WidgetKind::PushButton:
        return dynamic_cast<const CEGUI::PushButton*>(window) != nullptr;
    case WidgetKind::FrameWindow:
        return dynamic_cast<const CEGUI::FrameWindow*>(window) != nullptr;
    case WidgetKind::Combobox:
        return dynamic_cast<const CEGUI::Combobox*>(window) != nullptr;
    case WidgetKind::Editbox:
        return dynamic_cast<const CEGUI::Editbox*>(window) != nullptr;
    case WidgetKind::Checkbox:
        return dynamic_cast<const CEGUI::ToggleButton*>(window) != nullptr;
    case WidgetKind::Listbox:
        return dynamic_cast<const CEGUI::Listbox*>(window) != nullptr;
    }
    return false;
}

void setShown(const std::string& catalogueName, bool shown) {
    if (CEGUI::Window* w = findWindow(catalogueName))
        w->setVisible(shown);
}

void setEnabled(const std::string& catalogueName, bool enabled) {
    if (CEGUI::Window* w = findWindow(catalogueName))
        w->setEnabled(enabled);
}

void activate(const std::string& catalogueName) {
    if (CEGUI::Window* w = findWindow(catalogueName))
        w->activate();
}

bool isShown(const std::string& catalogueName) {
    const CEGUI::Window* w = findWindow(catalogueName);
    return w && w->isVisible();
}

void setText(const std::string& catalogueName, const std::string& text) {
    if (CEGUI::Window* w = findWindow(catalogueName))
        w->setText(toGui(text));
}

std::string windowText(const std::string& catalogueName) {
    const CEGUI::Window* w = findWindow(catalogueName);
    return w ? fromGui(w->getText()) : std::string();
}

bool isSelected(const std::string& catalogueName) {
    auto* box = dynamic_cast<CEGUI::ToggleButton*>(findWindow(catalogueName));
    return box && box->isSelected();
}

void setSelected(const std::string& catalogueName, bool selected) {
    if (auto* box = dynamic_cast<CEGUI::ToggleButton*>(findWindow(catalogueName)))
        box->setSelected(selected);
}

void addItems(const std::string& comboboxName, const std::vector<std::string>& items) {
    auto* box = dynamic_cast<CEGUI::Combobox*>(findWindow(comboboxName));
    if (!box)
        return;
    for (const std::string& text : items)
        box->addItem(listItem(text));
}

void subscribe(const std::string& catalogueName, const CEGUI::String& event,
               const CEGUI::SubscriberSlot& handler) {
    if (CEGUI::Window* w = findWindow(catalogueName))
        w->subscribeEvent(event, handler);
}

void subscribeClick(const std::string& catalogueName, const CEGUI::SubscriberSlot& handler) {
    subscribe(catalogueName, CEGUI::PushButton::EventClicked, handler);
}

void openDialog(const std::string& dialog, const std::string& under) {
    setEnabled(under, false);
    setShown(dialog, true);
    activate(dialog);
}

void closeDialog(const std::string& dialog, const std::string& under) {
    setShown(dialog, false);
    setEnabled(under, true);
    activate(under);
}

CEGUI::ListboxTextItem* listItem(const std::string& text) {
    auto* item = new CEGUI::ListboxTextItem(toGui(text), 0, nullptr, false, true);
    item->setTextColours(CEGUI::Colour(0.0f, 0.0f, 0.0f, 1.0f));
    item->setSelectionColours(CEGUI::Colour(1.0f, 1.0f, 1.0f, 1.0f));
    item->setSelectionBrushImage("DrawingsLook/ListboxSelectionBrush");
    return item;
}

namespace {

// CEGUI's Listbox measures all its rows again after every item added or removed, which makes
// filling a long list quadratic (a long game's move list took minutes). Its item vector and
// its change handler are reached through member pointers named in a derived class, which are
// pointers to Listbox members and so valid on every Listbox, to change the rows in one step
// and measure once.
struct ListboxRows : CEGUI::Listbox {
    static constexpr auto items = &ListboxRows::d_listItems;
    static constexpr auto lastSelected = &ListboxRows::d_lastSelected;
    static constexpr auto changed = &ListboxRows::onListContentsChanged;
};

} // namespace

void setListRows(CEGUI::Listbox& list, const std::vector<std::string>& rows) {
    auto& items = list.*ListboxRows::items;
    std::size_t keep = 0;
    while (keep < items.size() && keep < rows.size() && items[keep]->getText() == toGui(rows[keep]))
        ++keep;
    if (keep == items.size() && keep == rows.size())
        return;
    for (std::size_t i = keep; i < items.size(); ++i) {
        if (list.*ListboxRows::lastSelected == items[i])
            list.*ListboxRows::lastSelected = nullptr;
        if (items[i]->isAutoDeleted())
            delete items[i];
    }
    items.resize(keep);
    items.reserve(rows.size());
    for (std::size_t i = keep; i < rows.size(); ++i) {
        CEGUI::ListboxTextItem* item = listItem(rows[i]);
        item->setOwnerWindow(&list);
        items.push_back(item);
    }
    CEGUI::WindowEventArgs args(&list);
    (list.*ListboxRows::changed)(args);
}

} // namespace korvane
