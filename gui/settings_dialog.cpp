#include "settings_dialog.h"

#include "catalogue.h"
#include "config_store.h"
#include "settings.h"
#include "text_util.h"
#include "texts.h"

#include <CEGUI/CEGUI.h>

namespace korvane {

namespace {

constexpr std::size_t kMaxNameBytes = 50;

bool allDigits(const std::string& s) {
    if (s.empty())
        return false;
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool sizeText(const std::string& s) {
    return s.size() >= 3 && s.size() <= 5 && allDigits(s) && s[0] != '0';
}

const char* yesNo(bool on) {
    return on ? "Yes" : "No";
}
const char* trueFalse(bool on) {
    return on ? "true" : "false";
}

std::string video(const std::string& key) {
    return ConfigStore::getValue(key, "Video", kConfigFile);
}
std::string game(const std::string& key) {
    return ConfigStore::getValue(key, "Game", kConfigFile);
}

// The language list shows Czech with its accent; the settings file keeps the plain value.
const char* const kCzechShown = "Česky";

std::string shownLanguage(const std::string& stored) {
    return stored == kCzechStored ? kCzechShown : stored;
}
std::string storedLanguage(const std::string& shown) {
    return shown == kCzechShown ? kCzechStored : shown;
}

} // namespace

bool parseResolution(const std::string& text, std::string& width, std::string& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const std::string w = text.substr(0, x);
    const std::string h = text.substr(x + 1);
    if (!sizeText(w) || !sizeText(h))
        return false;
    width = w;
    height = h;
    return true;
}

bool parseAntiAliasing(const std::string& text, std::string& level) {
    if (text.size() < 2 || text.size() > 3 || text.back() != 'x')
        return false;
    const std::string digits = text.substr(0, text.size() - 1);
    if (!allDigits(digits))
        return false;
    level = digits;
    return true;
}

void SettingsDialog::wire() {
    languageChanged_ = false;
    onClick("Menu/SettingsButton", this, &SettingsDialog::show);
    onClick("Settings/CancelButton", this, &SettingsDialog::close);
    onClick("Settings/OKButton", this, &SettingsDialog::apply);

    addItems("Settings/RS", backend_.renderSystems());
    addItems("Settings/Res", {"800x600", "1024x768", "1280x960"});
    addItems("Settings/Depth", {"16", "32"});
    addItems("Settings/AA", {"0x", "2x", "4x"});
    addItems("Settings/Lang", {"English", kCzechShown});

    if (auto* name = dynamic_cast<CEGUI::Editbox*>(findWindow("Settings/PName")))
        name->setMaxTextLength(kMaxNameBytes);
    if (!backend_.cartoonShadersSupported())
        setEnabled("Settings/Cartoon", false);
}

bool SettingsDialog::show(const CEGUI::EventArgs&) {
    openDialog("Settings", "Menu");
    setShown(kSettingsHintWindow, false);
    setText("Settings/RS", video("RS"));
    const std::string height = video("H");
    const std::string width = video("W");
    setText("Settings/Res", width + "x" + height);
    setText("Settings/Depth", video("Depth"));
    setText("Settings/AA", video("AA") + "x");
    setText("Settings/Lang", shownLanguage(game("Lang")));
    setSelected("Settings/FS", video("FS") == "Yes");
    setSelected("Settings/VSync", video("VSync") == "Yes");
    setSelected("Settings/Shadows", video("Shadows") == "true");
    setSelected("Settings/Sounds", game("Sounds") == "true");
    setSelected("Settings/FlipView", game("FlipView") == "true");
    setSelected("Settings/Highlighting", game("Highlighting") == "true");
    setSelected("Settings/LastMoveHighlighting", game("LastMoveHighlighting") == "true");
    setSelected("Settings/Cartoon", game("Cartoon") == "true");
    setText("Settings/PName", game("PlayerName"));
    return true;
}

void SettingsDialog::showHint(const std::string& message) {
    CEGUI::Window* hint = findWindow(kSettingsHintWindow);
    if (!hint) {
        // A layout without its own hint still gets one, in the layout's language.
        CEGUI::Window* settingsWindow = findWindow("Settings");
        CEGUI::Window* label = findWindow("GameEnd/Stalemate");
        if (!settingsWindow || !label)
            return;
        hint = CEGUI::WindowManager::getSingleton().createWindow(label->getType(), "Hint");
        // Left of the OK and Cancel buttons, which sit in the bottom right corner.
        hint->setArea(CEGUI::URect(CEGUI::UDim(0.03f, 0), CEGUI::UDim(0.905f, 0),
                                   CEGUI::UDim(0.5f, 0), CEGUI::UDim(0.975f, 0)));
        hint->setText(toGui(texts().settingsHint));
        settingsWindow->addChild(hint);
    }
    // The one line under the settings says either what to type or why OK stored nothing; the
    // layout's own wording of the first is kept with the window.
    if (!hint->isUserStringDefined("Refusal"))
        hint->setUserString("Refusal", hint->getText());
    hint->setText(message.empty() ? hint->getUserString("Refusal") : toGui(message));
    hint->show();
    hint->moveToFront();
}

bool SettingsDialog::apply(const CEGUI::EventArgs&) {
    // Refuse texts the next start could not use before anything is written.
    std::string width, height, level;
    const std::string rs = windowText("Settings/RS");
    const std::vector<std::string> offered = backend_.renderSystems();
    bool rsOffered = false;
    for (const std::string& name : offered)
        rsOffered = rsOffered || name == rs;
    if (!parseResolution(windowText("Settings/Res"), width, height) ||
        !parseAntiAliasing(windowText("Settings/AA"), level) || !rsOffered) {
        showHint();
        return true;
    }

    if (!ConfigStore::fileExists(kConfigBackupFile))
        ConfigStore::backupConfigFile(kConfigFile, kConfigBackupFile);
    // Typed texts lose blanks at their ends: the settings file could not keep them there.
    auto typed = [&](const char* name) {
        std::string value = windowText(name);
        ConfigStore::trim(value, " \t");
        return value;
    };
    const std::string language = storedLanguage(typed("Settings/Lang"));
    const bool languageChanged = language != game("Lang");
    Settings flags = settings();
    flags.flipView = isSelected("Settings/FlipView");
    flags.highlighting = isSelected("Settings/Highlighting");
    flags.lastMoveHighlighting = isSelected("Settings/LastMoveHighlighting");
    CEGUI::Window* cartoon = findWindow("Settings/Cartoon");
    const bool cartoonOn = isSelected("Settings/Cartoon") && !(cartoon && cartoon->isDisabled());
    // The edit box limits characters; the name's limit is in bytes. A cut can end on a blank,
    // which the file could not keep (and which would refuse every other setting with it).
    std::string name = utf8Prefix(typed("Settings/PName"), kMaxNameBytes);
    ConfigStore::trim(name, " \t");
    // All values go in one rewrite, so a kill part-way through never leaves a mix of old
    // and new settings. The order is the order in which new keys are added to the file.
    std::string reason;
    const bool saved = ConfigStore::setValues(
        {
            {"RS", rs, "Video"},
            {"W", width, "Video"},
            {"H", height, "Video"},
            {"Depth", typed("Settings/Depth"), "Video"},
            {"AA", level, "Video"},
            {"Lang", language, "Game"},
            {"FS", yesNo(isSelected("Settings/FS")), "Video"},
            {"VSync", yesNo(isSelected("Settings/VSync")), "Video"},
            {"Shadows", trueFalse(isSelected("Settings/Shadows")), "Video"},
            {"Sounds", trueFalse(isSelected("Settings/Sounds")), "Game"},
            {"FlipView", trueFalse(flags.flipView), "Game"},
            {"Highlighting", trueFalse(flags.highlighting), "Game"},
            {"LastMoveHighlighting", trueFalse(flags.lastMoveHighlighting), "Game"},
            {"Cartoon", trueFalse(cartoonOn), "Game"},
            {"PlayerName", name, "Game"},
        },
        kConfigFile, &reason);
    if (!saved) {
        // Nothing was stored: the dialog keeps what the player chose, for another OK once
        // the disk has room again, and the game goes on with the settings it had.
        showHint(texts().settingsNotSaved + reason);
        return true;
    }
    settings().flipView = flags.flipView;
    settings().highlighting = flags.highlighting;
    settings().lastMoveHighlighting = flags.lastMoveHighlighting;
    backend_.flowFlagsChanged(flags.flipView, flags.highlighting, flags.lastMoveHighlighting);
    backend_.resetPieceLooks();
    // What was stored reads back the same.
    setPlayerName(name);

    // This very button dies in a rebuild, so it waits until the click has been dispatched.
    if (languageChanged)
        languageChanged_ = true;
    return close(CEGUI::EventArgs());
}

bool SettingsDialog::close(const CEGUI::EventArgs&) {
    closeDialog("Settings", "Menu");
    return true;
}

} // namespace korvane
