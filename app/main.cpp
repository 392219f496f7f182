// Entry point: runs the game inside the one handler for engine exceptions. Whatever
// happens, the application is torn down and the process returns 0.

#include "config/config_store.h"
#include "korvane_app.h"

#include <Ogre.h>
#include <SDL2/SDL.h>

#include <clocale>
#include <cstring>
#include <iostream>

namespace {

void reportFailure(const std::string& description) {
    const char* caption = "An exception has occured!";
    // Standard error always gets it too: a message box may have nobody to read it.
    std::cerr << caption << "\n" << description << std::endl;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, description.c_str(), nullptr);
}

} // namespace

int main(int, char**) {
    // Typed text arrives through the X input method, which speaks the character set of
    // the locale: without a UTF-8 one, letters outside Latin-1 (Czech ř, ě, š) are lost.
    // Only the character type is set; number formats stay "C" for the engine's scripts.
    const char* ctype = std::setlocale(LC_CTYPE, "");
    if (!ctype || !std::strstr(ctype, "UTF-8"))
        std::setlocale(LC_CTYPE, "C.UTF-8");
    {
        korvane::KorvaneApp app;
        try {
            app.run();
        } catch (const Ogre::Exception& e) {
            // The last settings that started successfully come back, but only when the
            // settings can be at fault: any other failure leaves just-saved settings alone.
            if (app.settingsOnTrial() &&
                korvane::ConfigStore::fileExists(korvane::kConfigBackupFile))
                korvane::restoreConfigBackup();
            reportFailure(e.getFullDescription());
        }
    }
    SDL_Quit();
    return 0;
}
