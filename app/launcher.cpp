#include "app/launcher.h"

#include "platform/gl.h"
#include <cmath>

#include "models/stroke_font.h"

namespace {

const int kSizes[3][2] = {{1920, 1080}, {2560, 1440}, {1280, 720}};

MenuEntry entry(int row, float r, float g, float b, std::vector<std::string> options) {
    MenuEntry e;
    e.row = row;
    e.options = std::move(options);
    e.color[0] = r;
    e.color[1] = g;
    e.color[2] = b;
    return e;
}

}  // namespace

void buildLauncherMenu(LauncherMenu& menu) {
    menu.entries.clear();
    menu.entries.push_back(entry(1, 1.0f, 1.0f, 0.0f, {" +        VELMORA       + "}));
    menu.entries.push_back(entry(3, 0.4f, 0.4f, 0.6f,
                                 {" >       1920 x 1080", " >       2560 x 1440", " >       1280 x 720"}));
    menu.entries.push_back(entry(4, 0.4f, 0.4f, 0.6f, {" >       Fullscreen", " >        Windowed"}));
    menu.entries.push_back(entry(7, 0.0f, 0.6f, 0.0f, {"          + Run +", "          + Run +"}));
}

void updateLauncherMenu(LauncherMenu& menu, float mouseY, bool buttonLeft, int presses) {
    MenuEntry* hovered = nullptr;
    for (size_t i = 0; i < menu.entries.size(); ++i) {
        MenuEntry& e = menu.entries[i];
        e.hovered = false;
        // The banner never hovers; on overlapping bands the last match wins.
        if (i > 0 && e.row * 30 - 26 < mouseY && mouseY < e.row * 30 + 4) {
            e.hovered = true;
            hovered = &e;
        }
    }
    // A tap pressed and released between two frames leaves the button up: its press
    // counts all the same.
    const int clicks = presses > 0 ? presses : (buttonLeft && !menu.clickLatch ? 1 : 0);
    menu.clickLatch = buttonLeft;
    for (int i = 0; i < clicks && !menu.run; ++i) {
        if (hovered) hovered->selected += 1;
        if (menu.entries.size() > kRunEntry && menu.entries[kRunEntry].selected == 1) menu.run = true;
    }
    if (menu.entries.size() > kRunEntry && menu.entries[kRunEntry].selected == 1) menu.run = true;
}

void animateMenu(LauncherMenu& menu) {
    menu.time = static_cast<float>(menu.time + 1.0 / 30.0);
    if (!menu.entries.empty()) {
        float* c = menu.entries[kBannerEntry].color;
        c[0] = std::sin(menu.time) * 0.4f + 0.7f;
        c[1] = static_cast<float>(std::sin(menu.time * 1.4 + 12.0) * 0.5 + 0.7);
        c[2] = static_cast<float>(std::sin(menu.time * 1.8 + 514.0) * 0.5 + 0.7);
    }
    for (MenuEntry& e : menu.entries)
        if (!e.options.empty()) e.selected %= static_cast<int32_t>(e.options.size());
}

void drawMenu(LauncherMenu& menu) {
    animateMenu(menu);
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    const float scale[3] = {1.0f, 1.0f, 1.0f};
    for (const MenuEntry& e : menu.entries) {
        if (e.options.empty()) continue;
        glPushMatrix();
        const float k = e.hovered ? 11.5f : 1.0f;  // hovered: every non-zero channel saturates
        glColor3f(e.color[0] * k, e.color[1] * k, e.color[2] * k);
        glTranslatef(0.0f, static_cast<float>(e.row * 30), 0.0f);
        draw_text(e.options[e.selected], origin, scale);
        glPopMatrix();
    }
}

void drawLauncher(AppState& app) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glViewport(0, 0, app.window.width, app.window.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (app.launcherDone) return;

    // Window pixels, origin top left, y down.
    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    glScalef(1.0f, -1.0f, 1.0f);
    glTranslatef(-1.0f, -1.0f, 0.0f);
    glScalef(2.0f / app.window.width, 2.0f / app.window.height, 1.0f);

    updateLauncherMenu(app.menu, static_cast<float>(app.mouseY), app.buttonLeft, app.leftPresses);
    drawMenu(app.menu);
}

void launcherChoice(const LauncherMenu& menu, int& width, int& height, bool& fullscreen) {
    const int r = menu.entries[kResolutionEntry].selected;
    width = kSizes[r][0];
    height = kSizes[r][1];
    fullscreen = menu.entries[kModeEntry].selected == 0;
}

void addDisplayEntry(LauncherMenu& menu, const std::vector<std::string>& names, int chosen) {
    if (names.size() < 2 || menu.entries.size() != kDisplayEntry) return;
    std::vector<std::string> options;
    for (size_t i = 0; i < names.size(); ++i)
        options.push_back(" >       Display " + std::to_string(i) + " " + names[i].substr(0, 12));
    menu.entries.push_back(entry(5, 0.4f, 0.4f, 0.6f, std::move(options)));
    if (chosen >= 0 && chosen < static_cast<int>(names.size())) menu.entries[kDisplayEntry].selected = chosen;
}

int launcherDisplay(const LauncherMenu& menu) {
    return menu.entries.size() > kDisplayEntry ? menu.entries[kDisplayEntry].selected : -1;
}

void presetLauncherMenu(LauncherMenu& menu, const LaunchOptions& options) {
    if (options.resGiven)
        for (int r = 0; r < 3; ++r)
            if (kSizes[r][0] == options.width && kSizes[r][1] == options.height)
                menu.entries[kResolutionEntry].selected = r;
    if (options.modeGiven) menu.entries[kModeEntry].selected = options.fullscreen ? 0 : 1;
}
