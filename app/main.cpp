// Entry point: runs the game inside the one handler for engine exceptions. Whatever
// happens, the application is torn down and the process returns 0.

#include "config/config_store.h"
#include "korvane_app.h"

#include <Ogre.h>
#include <SDL2/SDL.h>

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
    {
        korvane::KorvaneApp app;
        try {
            app.run();
        } catch (const Ogre::Exception& e) {
            // The last settings that started successfully come back.
            if (korvane::ConfigStore::fileExists(korvane::kConfigBackupFile))
                korvane::restoreConfigBackup();
            reportFailure(e.getFullDescription());
        }
    }
    SDL_Quit();
    return 0;
}
