// The windows the program relies on, by their catalogue names ("Menu/LocalButton", "CH/3"),
// and the one place where such a name is turned into a live CEGUI window.
#pragma once

#include <string>
#include <vector>

#include <CEGUI/SubscriberSlot.h>

namespace CEGUI {
class Window;
class ListboxTextItem;
class Listbox;
class String;
} // namespace CEGUI

namespace korvane {

enum class WidgetKind {
    Root,   // the layout's root window, the GUI sheet
    Panel,  // any container window
    Static, // static text or image
    PushButton,
    FrameWindow, // with a close button
    Combobox,
    Editbox,
    Checkbox, // a ToggleButton in this CEGUI
    Listbox,
};

struct CatalogueEntry {
    std::string name;
    WidgetKind kind;
};

// Every window of the catalogue, in catalogue order.
const std::vector<CatalogueEntry>& windowCatalogue();

// The CEGUI path below the root window for a catalogue name: the chat lines "CH/n" live
// inside "ChatHistory"; every other name is already its own path. "Root" maps to "".
std::string windowPath(const std::string& catalogueName);

// The live window of the current GUI sheet for a catalogue name, or nullptr when there is
// no sheet or the layout lacks that window. Nothing is logged or thrown for a miss.
CEGUI::Window* findWindow(const std::string& catalogueName);

// Shows, enables or activates the catalogue window; nothing when the layout lacks it.
void setShown(const std::string& catalogueName, bool shown);
void setEnabled(const std::string& catalogueName, bool enabled);
void activate(const std::string& catalogueName);
// The window's own visible flag (not its ancestors'); false when the layout lacks it.
bool isShown(const std::string& catalogueName);

// The window's text in UTF-8; empty when the layout lacks the window.
void setText(const std::string& catalogueName, const std::string& text);
std::string windowText(const std::string& catalogueName);

// A check box's state; false, and nothing set, when the layout lacks it.
bool isSelected(const std::string& catalogueName);
void setSelected(const std::string& catalogueName, bool selected);

// Appends list items with these texts to a combo box.
void addItems(const std::string& comboboxName, const std::vector<std::string>& items);

// Handlers on the windows of the sheet just built; nothing when the layout lacks the window.
// The windows die with the next build, and their subscriptions with them.
void subscribe(const std::string& catalogueName, const CEGUI::String& event,
               const CEGUI::SubscriberSlot& handler);
void subscribeClick(const std::string& catalogueName, const CEGUI::SubscriberSlot& handler);

template <class Owner>
void onClick(const std::string& catalogueName, Owner* owner,
             bool (Owner::*handler)(const CEGUI::EventArgs&)) {
    subscribeClick(catalogueName, CEGUI::SubscriberSlot(handler, owner));
}

// A dialog over the window `under`, which waits disabled beneath it; closing enables and
// activates `under` again.
void openDialog(const std::string& dialog, const std::string& under);
void closeDialog(const std::string& dialog, const std::string& under);

// A list or combo box item (UTF-8 text) in the skin's colours and selection brush; the box
// that takes it deletes it.
CEGUI::ListboxTextItem* listItem(const std::string& text);

// Makes the list box hold these rows (as listItem makes them) in one step: the rows that have
// not changed stay, the rest are replaced, and the box measures its rows once, so that a
// long list costs the same per row as a short one. The box must not sort.
void setListRows(CEGUI::Listbox& list, const std::vector<std::string>& rows);

// True when the window exists and is of the given kind.
bool hasKind(const CEGUI::Window* window, WidgetKind kind);

} // namespace korvane
