// Entry point: runs the game inside the one handler for engine exceptions. Whatever
// happens, the application is torn down and the process returns 0.

#include "config/config_store.h"
#include "config/file_replace.h"
#include "gui/game_files.h"
#include "korvane_app.h"

#include <Ogre.h>
#include <SDL2/SDL.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include <unistd.h>

namespace {

void reportFailure(const std::string& description) {
    const char* caption = "An exception has occured!";
    // Standard error always gets it too: a message box may have nobody to read it.
    std::cerr << caption << "\n" << description << std::endl;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, description.c_str(), nullptr);
}

// Start-up fills tens of megabytes of fresh memory (the software renderer's buffers, textures,
// the GUI's geometry), and every new 4 KiB page costs a fault: on a virtual machine about a
// third of the time to the first frame went on them. The C library reads its allocator
// settings only when a program starts, so the game starts itself once more with the heap
// asking for huge pages (where the kernel gives them only on request, as Debian's does) and
// keeping what it frees. A user's own settings come last and win; when the new start fails,
// this one goes on as it is.
void restartWithHugePages(char** argv) {
#if defined(__GLIBC__)
    const char* set = std::getenv("GLIBC_TUNABLES");
    const std::string own = set ? set : "";
    if (own.find("glibc.malloc.hugetlb") != std::string::npos)
        return;
    std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.mmap_threshold=33554432:"
                           "glibc.malloc.trim_threshold=67108864";
    if (!own.empty())
        tunables += ":" + own;
    // By its real name, not /proc/self/exe: the process keeps the name "korvane" that tools
    // such as ps and pkill go by.
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0 || setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0)
        return;
    self[length] = '\0';
    execv(self, argv);
    // Still here: the game goes on as it was started, with the environment it was given.
    if (set)
        setenv("GLIBC_TUNABLES", own.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}

} // namespace

int main(int, char** argv) {
    restartWithHugePages(argv);
    // A kill while a file was being replaced leaves its temporary behind; nothing else would
    // ever remove it.
    korvane::removeStaleTemporaries(".");
    korvane::removeStaleTemporaries(korvane::kGamesFolder);
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
