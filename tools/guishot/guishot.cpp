// Renders a GUI layout of the game into a PNG file with CEGUI's OpenGL renderer in an SDL
// window, for looking at the screens of both languages at several window sizes.
//
//   korvane_guishot MEDIA_DIR LAYOUT WIDTHxHEIGHT OUT.png [TOPLEVEL...] [Name=Text...]
//
// The listed top-level windows are shown, every other one hidden; "Name=Text" sets the
// text of a window given by its path below the root ("ChatHistory/CH/0=Hello").
#include <CEGUI/CEGUI.h>
#include <CEGUI/RendererModules/OpenGL/GLRenderer.h>
#include <SDL.h>
#include <SDL_opengl.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void put32(std::vector<unsigned char>& out, unsigned long v) {
    for (int s = 24; s >= 0; s -= 8)
        out.push_back(static_cast<unsigned char>((v >> s) & 0xff));
}

void chunk(std::vector<unsigned char>& out, const char* tag, const std::vector<unsigned char>& d) {
    put32(out, d.size());
    std::vector<unsigned char> body(tag, tag + 4);
    body.insert(body.end(), d.begin(), d.end());
    out.insert(out.end(), body.begin(), body.end());
    put32(out, crc32(0, body.data(), static_cast<uInt>(body.size())));
}

// RGB rows, top row first.
bool writePng(const std::string& path, int w, int h, const std::vector<unsigned char>& rgb) {
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<std::size_t>(h) * (w * 3 + 1));
    for (int y = 0; y < h; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), rgb.begin() + static_cast<long>(y) * w * 3,
                   rgb.begin() + static_cast<long>(y + 1) * w * 3);
    }
    uLongf packedSize = compressBound(raw.size());
    std::vector<unsigned char> packed(packedSize);
    if (compress(packed.data(), &packedSize, raw.data(), raw.size()) != Z_OK)
        return false;
    packed.resize(packedSize);
    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<unsigned char> ihdr;
    put32(ihdr, w);
    put32(ihdr, h);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    chunk(png, "IHDR", ihdr);
    chunk(png, "IDAT", packed);
    chunk(png, "IEND", {});
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: %s MEDIA_DIR LAYOUT WxH OUT.png [TOPLEVEL...] [Name=Text...]\n",
                     argv[0]);
        return 2;
    }
    int w = 0, h = 0;
    if (std::sscanf(argv[3], "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
        std::fprintf(stderr, "bad size %s\n", argv[3]);
        return 2;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_Window* window = SDL_CreateWindow("guishot", 0, 0, w, h, SDL_WINDOW_OPENGL);
    SDL_GLContext gl = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!gl) {
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
        return 1;
    }
    int status = 0;
    try {
        CEGUI::OpenGLRenderer& renderer = CEGUI::OpenGLRenderer::bootstrapSystem();
        renderer.setDisplaySize(CEGUI::Sizef(w, h));
        CEGUI::System& system = CEGUI::System::getSingleton();
        system.notifyDisplaySizeChanged(CEGUI::Sizef(w, h));
        auto* rp = static_cast<CEGUI::DefaultResourceProvider*>(system.getResourceProvider());
        rp->setResourceGroupDirectory("GUI", argv[1]);
        CEGUI::Scheme::setDefaultResourceGroup("GUI");
        CEGUI::ImageManager::setImagesetDefaultResourceGroup("GUI");
        CEGUI::Font::setDefaultResourceGroup("GUI");
        CEGUI::WidgetLookManager::setDefaultResourceGroup("GUI");
        CEGUI::WindowManager::setDefaultResourceGroup("GUI");
        CEGUI::SchemeManager::getSingleton().createFromFile("DrawingsLook.scheme");
        CEGUI::GUIContext& ctx = system.getDefaultGUIContext();
        ctx.setDefaultFont("Trebuchet-10");
        ctx.getMouseCursor().setDefaultImage("DrawingsLook/MouseArrow");
        CEGUI::Window* root = CEGUI::WindowManager::getSingleton().loadLayoutFromFile(argv[2]);
        ctx.setRootWindow(root);
        for (std::size_t i = 0; i < root->getChildCount(); ++i)
            root->getChildAtIdx(i)->hide();
        for (int i = 5; i < argc; ++i) {
            const std::string arg = argv[i];
            const std::size_t eq = arg.find('=');
            if (eq == std::string::npos) {
                root->getChild(arg.c_str())->show();
                root->getChild(arg.c_str())->moveToFront();
            } else {
                root->getChild(arg.substr(0, eq).c_str())
                    ->setText(reinterpret_cast<const CEGUI::utf8*>(arg.substr(eq + 1).c_str()));
            }
        }
        // Park the cursor where it shows in the picture without hiding anything.
        ctx.injectMousePosition(w - 12.0f, h - 30.0f);
        ctx.getMouseCursor().show();
        for (int frame = 0; frame < 3; ++frame) {
            glViewport(0, 0, w, h);
            glClearColor(0.3f, 0.3f, 0.5f, 1.0f); // the game's viewport background
            glClear(GL_COLOR_BUFFER_BIT);
            system.injectTimePulse(0.05f);
            ctx.injectTimePulse(0.05f);
            system.renderAllGUIContexts();
            SDL_GL_SwapWindow(window);
        }
        glViewport(0, 0, w, h);
        glClear(GL_COLOR_BUFFER_BIT);
        system.renderAllGUIContexts();
        glFinish();
        std::vector<unsigned char> pixels(static_cast<std::size_t>(w) * h * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        std::vector<unsigned char> flipped(pixels.size());
        for (int y = 0; y < h; ++y)
            std::memcpy(&flipped[static_cast<std::size_t>(y) * w * 3],
                        &pixels[static_cast<std::size_t>(h - 1 - y) * w * 3], w * 3);
        if (!writePng(argv[4], w, h, flipped)) {
            std::fprintf(stderr, "cannot write %s\n", argv[4]);
            status = 1;
        }
        CEGUI::OpenGLRenderer::destroySystem();
    } catch (const CEGUI::Exception& e) {
        std::fprintf(stderr, "CEGUI: %s\n", e.getMessage().c_str());
        status = 1;
    }
    SDL_GL_DeleteContext(gl);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return status;
}
