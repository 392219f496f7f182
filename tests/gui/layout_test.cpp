// The skin and both layout files as the game loads them: window kinds and nesting, start
// state, Czech glyphs, texts that fit, screens whose windows neither overlap nor block
// each other, centred pop-ups.
#include "gui_fixture.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

namespace {

using korvane::WidgetKind;

// The skin's window type for each kind of catalogue window.
std::set<std::string> typesFor(WidgetKind kind) {
    switch (kind) {
    case WidgetKind::Root:
        return {"DefaultWindow"};
    case WidgetKind::Panel:
        return {"DrawingsLook/Panel", "DrawingsLook/Popup"};
    case WidgetKind::Static:
        return {"DrawingsLook/Label", "DrawingsLook/Logo"};
    case WidgetKind::PushButton:
        return {"DrawingsLook/Button"};
    case WidgetKind::FrameWindow:
        return {"DrawingsLook/FrameWindow"};
    case WidgetKind::Combobox:
        return {"DrawingsLook/Combobox"};
    case WidgetKind::Editbox:
        return {"DrawingsLook/Editbox"};
    case WidgetKind::Checkbox:
        return {"DrawingsLook/Checkbox"};
    case WidgetKind::Listbox:
        return {"DrawingsLook/Listbox"};
    }
    return {};
}

std::string utf8(const CEGUI::String& s) {
    return std::string(s.c_str());
}

CEGUI::Rectf outer(const CEGUI::Window* w) {
    return w->getUnclippedOuterRect().get();
}

// Windows that share an edge may overlap by the pixel that rounding gives either of them.
bool overlap(const CEGUI::Rectf& a, const CEGUI::Rectf& b) {
    const float eps = 1.0f;
    return a.left() + eps < b.right() && b.left() + eps < a.right() && a.top() + eps < b.bottom() &&
           b.top() + eps < a.bottom();
}

bool inside(const CEGUI::Rectf& inner, const CEGUI::Rectf& outerRect) {
    const float eps = 0.5f;
    return inner.left() >= outerRect.left() - eps && inner.right() <= outerRect.right() + eps &&
           inner.top() >= outerRect.top() - eps && inner.bottom() <= outerRect.bottom() + eps;
}

// The part of a window that is drawn while nothing is dropped down: a combo box's own
// rectangle also holds its hidden list.
CEGUI::Rectf drawnRect(const CEGUI::Window* w) {
    if (const auto* combo = dynamic_cast<const CEGUI::Combobox*>(w))
        return outer(combo->getEditbox());
    return outer(w);
}

bool isAutoChild(const CEGUI::Window* w) {
    return w->isAutoWindow();
}

class LayoutFileTest : public ::testing::TestWithParam<const char*> {
  protected:
    void SetUp() override { load(GetParam()); }
    void TearDown() override { unload(); }

    void load(const std::string& file) {
        unload();
        root_ = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(file);
        context().setRootWindow(root_);
    }
    void unload() {
        if (!root_)
            return;
        context().setRootWindow(nullptr);
        CEGUI::WindowManager::getSingleton().destroyWindow(root_);
        CEGUI::WindowManager::getSingleton().cleanDeadPool();
        root_ = nullptr;
    }
    static CEGUI::GUIContext& context() {
        return CEGUI::System::getSingleton().getDefaultGUIContext();
    }
    static void resize(float w, float h) {
        CEGUI::System::getSingleton().getRenderer()->setDisplaySize(CEGUI::Sizef(w, h));
        CEGUI::System::getSingleton().notifyDisplaySizeChanged(CEGUI::Sizef(w, h));
    }
    static CEGUI::Window* win(const std::string& name) {
        CEGUI::Window* w = korvane::findWindow(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    static std::vector<std::string> topLevelNames() {
        std::vector<std::string> names;
        for (const auto& e : korvane::windowCatalogue())
            if (e.name != "Root" && e.name.find('/') == std::string::npos)
                names.push_back(e.name);
        return names;
    }
    // Every window of the loaded layout except the widgets' own parts.
    void forEachWindow(const std::function<void(CEGUI::Window*)>& f) const {
        std::function<void(CEGUI::Window*)> walk = [&](CEGUI::Window* w) {
            f(w);
            for (std::size_t i = 0; i < w->getChildCount(); ++i)
                if (!isAutoChild(w->getChildAtIdx(i)))
                    walk(w->getChildAtIdx(i));
        };
        walk(root_);
    }

    CEGUI::Window* root_ = nullptr;
};

TEST_P(LayoutFileTest, EveryCatalogueWindowHasItsKindPlaceAndStartState) {
    for (const auto& e : korvane::windowCatalogue()) {
        CEGUI::Window* w = win(e.name);
        if (!w)
            continue;
        EXPECT_TRUE(korvane::hasKind(w, e.kind)) << e.name;
        EXPECT_EQ(typesFor(e.kind).count(utf8(w->getType())), 1u)
            << e.name << " is " << w->getType();
        // Inside its top-level window, so it is shown, hidden and disabled with it.
        const std::string path = korvane::windowPath(e.name);
        const std::string topName = path.substr(0, path.find('/'));
        if (e.name != "Root") {
            CEGUI::Window* top = root_->getChild(topName.c_str());
            EXPECT_EQ(top->getParent(), root_) << e.name;
            EXPECT_TRUE(w == top || w->isAncestor(top)) << e.name;
        }
    }
    for (const std::string& name : topLevelNames()) {
        const bool startsVisible = name == "Menu" || name == "Logo";
        EXPECT_EQ(win(name)->isEffectiveVisible(), startsVisible) << name;
        EXPECT_FALSE(win(name)->isEffectiveDisabled()) << name;
    }
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(win("CH/" + std::to_string(i))->getText().empty()) << i;
    // Labels that take turns in the same place start with exactly one of them shown.
    for (const auto& pair : std::vector<std::pair<std::string, std::string>>{
             {"StatusBar/WhiteOnMove", "StatusBar/BlackOnMove"},
             {"ConnectingPopUp/Connecting", "ConnectingPopUp/NotConnected"},
             {"NetworkErrPopUp/Disconnected", "NetworkErrPopUp/Lost"}})
        EXPECT_NE(win(pair.first)->isVisible(), win(pair.second)->isVisible()) << pair.first;
    EXPECT_EQ(utf8(win("About/LatestVersion")->getText()), "...");
    EXPECT_EQ(utf8(win("Logo")->getText()), "Korvane");
    // The settings hint is the dialog's own and waits hidden until a text is refused.
    ASSERT_NE(korvane::findWindow(korvane::kSettingsHintWindow), nullptr);
    EXPECT_FALSE(korvane::findWindow(korvane::kSettingsHintWindow)->isVisible());
    EXPECT_FALSE(korvane::findWindow(korvane::kSettingsHintWindow)->getText().empty());
}

TEST_P(LayoutFileTest, EveryTextHasGlyphsAndFitsItsWindowAtBothResolutions) {
    for (const auto& size : std::vector<std::pair<float, float>>{{800, 600}, {1280, 960}}) {
        // Plain copies: a lambda may not capture structured bindings before C++20.
        const float w = size.first, h = size.second;
        resize(w, h);
        forEachWindow([&](CEGUI::Window* win) {
            const CEGUI::String& text = win->getText();
            if (text.empty())
                return;
            const CEGUI::Font* font = win->getFont();
            ASSERT_NE(font, nullptr) << win->getNamePath();
            for (std::size_t i = 0; i < text.length(); ++i)
                EXPECT_NE(font->getGlyphData(text[i]), nullptr)
                    << win->getNamePath() << " character " << text[i];
            // The space the skin's look leaves for the text.
            const std::string type = utf8(win->getType());
            float room = win->getPixelSize().d_width;
            float height = win->getPixelSize().d_height;
            if (type == "DrawingsLook/Button")
                room -= 8;
            else if (type == "DrawingsLook/Checkbox")
                room -= 22;
            else if (type == "DrawingsLook/Panel" || type == "DrawingsLook/Popup" ||
                     type == "DrawingsLook/Logo")
                room -= 20;
            else if (type == "DrawingsLook/FrameWindow") {
                room -= 50; // caption inset and close button
                height = CEGUI::CoordConverter::asAbsolute(
                    static_cast<CEGUI::FrameWindow*>(win)->getTitlebar()->getHeight(),
                    win->getPixelSize().d_height);
                font = static_cast<CEGUI::FrameWindow*>(win)->getTitlebar()->getFont();
            }
            EXPECT_LE(font->getTextExtent(text), room)
                << win->getNamePath() << " \"" << text << "\" at " << w << "x" << h;
            EXPECT_LE(font->getLineSpacing(), height) << win->getNamePath() << " at " << w;
        });
    }
    resize(800, 600);
}

// The windows that are on screen together in each state of the game.
const std::vector<std::vector<std::string>> kScreens = {
    {"StatusBar", "Logo", "Menu"},
    {"StatusBar", "MoveList", "LocalIngame"},
    {"StatusBar", "MoveList", "LocalIngame", "SaveGame"},
    {"StatusBar", "MoveList", "GameEnd"},
    {"StatusBar", "NetworkMenu"},
    {"StatusBar", "JoinGame"},
    {"StatusBar", "MoveList", "ChatHistory", "ChatLine", "NetworkIngame"},
    {"StatusBar", "ChatHistory", "ChatLine", "OfferDrawPopUp"},
    {"StatusBar", "ChatHistory", "ChatLine", "WantsRemovePopUp"},
    {"StatusBar", "ChatHistory", "ChatLine", "IngamePawnTransform"},
    {"StatusBar", "MoveList", "ChatHistory", "ChatLine", "GameEnd"},
    {"StatusBar", "ChatHistory", "ChatLine", "NetworkErrPopUp"},
};

TEST_P(LayoutFileTest, WindowsShownTogetherNeitherOverlapNorLeaveTheScreen) {
    for (const auto& [w, h] : std::vector<std::pair<float, float>>{{800, 600}, {1280, 960}}) {
        resize(w, h);
        const CEGUI::Rectf screen(0, 0, w, h);
        for (const auto& names : kScreens)
            for (std::size_t i = 0; i < names.size(); ++i) {
                EXPECT_TRUE(inside(outer(win(names[i])), screen)) << names[i];
                for (std::size_t j = i + 1; j < names.size(); ++j)
                    EXPECT_FALSE(overlap(outer(win(names[i])), outer(win(names[j]))))
                        << names[i] << " and " << names[j] << " at " << w;
            }
        // Inside every window, the children shown by default lie within it and apart.
        forEachWindow([&](CEGUI::Window* parent) {
            std::vector<CEGUI::Window*> kids;
            for (std::size_t i = 0; i < parent->getChildCount(); ++i) {
                CEGUI::Window* kid = parent->getChildAtIdx(i);
                if (!isAutoChild(kid) && kid->isVisible())
                    kids.push_back(kid);
            }
            if (parent == root_)
                return;
            const CEGUI::Rectf area = parent->getUnclippedInnerRect().get();
            for (std::size_t i = 0; i < kids.size(); ++i) {
                EXPECT_TRUE(inside(drawnRect(kids[i]), area)) << kids[i]->getNamePath();
                for (std::size_t j = i + 1; j < kids.size(); ++j)
                    EXPECT_FALSE(overlap(drawnRect(kids[i]), drawnRect(kids[j])))
                        << kids[i]->getNamePath() << " and " << kids[j]->getNamePath();
            }
        });
        // Dialog contents start below the title bar.
        for (const char* name : {"About", "JoinGameDirect"}) {
            auto* frame = static_cast<CEGUI::FrameWindow*>(win(name));
            const float titleBottom = outer(frame->getTitlebar()).bottom();
            EXPECT_GE(outer(frame->getTitlebar()).top(), outer(frame).top() - 0.5f) << name;
            for (std::size_t i = 0; i < frame->getChildCount(); ++i) {
                if (!frame->getChildAtIdx(i)->isAutoWindow()) {
                    EXPECT_GE(outer(frame->getChildAtIdx(i)).top(), titleBottom - 1.0f)
                        << frame->getChildAtIdx(i)->getNamePath();
                }
            }
        }
        // Pop-ups sit in the middle of the window.
        for (const char* name : {"Settings", "About", "JoinGameDirect", "ConnectingPopUp",
                                 "NetworkErrPopUp", "OfferDrawPopUp", "WantsRemovePopUp",
                                 "IngamePawnTransform", "GameEnd", "SaveGame", "LoadGame"}) {
            const CEGUI::Rectf r = outer(win(name));
            EXPECT_NEAR((r.left() + r.right()) / 2, w / 2, 1.0) << name;
            EXPECT_NEAR((r.top() + r.bottom()) / 2, h / 2, 1.0) << name;
        }
        // The in-game panels keep to the edges, clear of the board in the middle.
        for (const char* name :
             {"LocalIngame", "NetworkIngame", "StatusBar", "ChatHistory", "MoveList"}) {
            const CEGUI::Rectf r = outer(win(name));
            const CEGUI::Rectf middle(w * 0.3f, h * 0.25f, w * 0.7f, h * 0.62f);
            EXPECT_FALSE(overlap(r, middle)) << name;
        }
    }
    resize(800, 600);
}

// A mouse over the middle of each button of a screen reaches that very button: nothing
// transparent of the skin or the layout lies on top of it.
TEST_P(LayoutFileTest, MouseReachesEveryButtonOfItsScreen) {
    for (const auto& e : korvane::windowCatalogue()) {
        if (e.kind != WidgetKind::PushButton && e.kind != WidgetKind::Checkbox &&
            e.kind != WidgetKind::Editbox && e.kind != WidgetKind::Combobox)
            continue;
        const std::string top = e.name.substr(0, e.name.find('/'));
        for (const std::string& name : topLevelNames())
            win(name)->setVisible(name == top || name == "StatusBar");
        win(top)->moveToFront();
        CEGUI::Window* target = win(e.name);
        // Claim Draw and Offer a Draw take turns in one place: one shows, the other hides.
        CEGUI::Window* offer = win("NetworkIngame/DrawButton");
        const bool claim = e.name == "NetworkIngame/ClaimDrawButton";
        target->setVisible(true);
        offer->setVisible(!claim);
        const CEGUI::Rectf r = drawnRect(target);
        context().injectMousePosition((r.left() + r.right()) / 2, (r.top() + r.bottom()) / 2);
        CEGUI::Window* hit = context().getWindowContainingMouse();
        EXPECT_TRUE(hit == target || (hit && hit->isAncestor(target)))
            << e.name << " is covered by " << (hit ? utf8(hit->getNamePath()) : "nothing");
        win("NetworkIngame/ClaimDrawButton")->setVisible(false);
        offer->setVisible(true);
    }
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, LayoutFileTest,
                         ::testing::Values("guien.xml", "guicz.xml"));

TEST(SkinTest, ImagesetAndFontProvideWhatTheGameNames) {
    EXPECT_TRUE(CEGUI::ImageManager::getSingleton().isDefined("DrawingsLook/MouseArrow"));
    EXPECT_TRUE(
        CEGUI::ImageManager::getSingleton().isDefined("DrawingsLook/ListboxSelectionBrush"));
    ASSERT_TRUE(CEGUI::FontManager::getSingleton().isDefined("Trebuchet-10"));
    const CEGUI::Font& font = CEGUI::FontManager::getSingleton().get("Trebuchet-10");
    const CEGUI::String czech(
        reinterpret_cast<const CEGUI::utf8*>("ěščřžýáíéůúňťďó ĚŠČŘŽÝÁÍÉŮÚŇŤĎÓ"));
    for (std::size_t i = 0; i < czech.length(); ++i)
        EXPECT_NE(font.getGlyphData(czech[i]), nullptr) << "code point " << czech[i];
}

// Both files describe the same windows; only their texts differ, and every text of one
// has its translation in the other.
TEST(SkinTest, BothLayoutsHaveTheSameWindowsAndTranslateEveryText) {
    auto describe = [](const char* file) {
        CEGUI::Window* root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(file);
        std::map<std::string, std::pair<std::string, std::string>> d;
        std::function<void(CEGUI::Window*)> walk = [&](CEGUI::Window* w) {
            d[utf8(w->getNamePath())] = {utf8(w->getType()), utf8(w->getText())};
            for (std::size_t i = 0; i < w->getChildCount(); ++i)
                if (!w->getChildAtIdx(i)->isAutoWindow())
                    walk(w->getChildAtIdx(i));
        };
        walk(root);
        CEGUI::WindowManager::getSingleton().destroyWindow(root);
        CEGUI::WindowManager::getSingleton().cleanDeadPool();
        return d;
    };
    const auto en = describe("guien.xml");
    const auto cz = describe("guicz.xml");
    ASSERT_EQ(en.size(), cz.size());
    int translated = 0;
    for (const auto& [path, e] : en) {
        auto it = cz.find(path);
        ASSERT_NE(it, cz.end()) << path;
        EXPECT_EQ(e.first, it->second.first) << path;
        EXPECT_EQ(e.second.empty(), it->second.second.empty()) << path;
        translated += e.second != it->second.second;
    }
    // Names, "OK" and "..." read the same in both languages; everything else differs.
    EXPECT_GE(translated, 60);
}

} // namespace
