/* window_probe fits|steps-aside: looks at the show's window from another Windows program,
 * as the desktop's other programs see it, and says what it finds; status 0 when it is as
 * it should be.
 *   fits         the window, borders and title bar included, lies within the work area,
 *                and its client area has the shape of 16:9 to within a pixel
 *   steps-aside  another program comes to the front: the full-screen show is minimised;
 *                brought back, it covers its display again */
#include <windows.h>

#include <stdio.h>
#include <string.h>

static void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    MSG message;
    while ((LONG)(end - GetTickCount()) > 0) {
        while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

static int fits(HWND show) {
    RECT frame, client, work;
    MONITORINFO monitor;
    long w, h;
    monitor.cbSize = sizeof monitor;
    GetWindowRect(show, &frame);
    GetClientRect(show, &client);
    GetMonitorInfoW(MonitorFromWindow(show, MONITOR_DEFAULTTOPRIMARY), &monitor);
    work = monitor.rcWork;
    w = client.right - client.left;
    h = client.bottom - client.top;
    printf("frame %ld,%ld to %ld,%ld; client %ldx%ld; work area %ld,%ld to %ld,%ld\n", frame.left, frame.top,
           frame.right, frame.bottom, w, h, work.left, work.top, work.right, work.bottom);
    if (frame.left < work.left || frame.top < work.top || frame.right > work.right || frame.bottom > work.bottom) {
        printf("FAILED: the window reaches past the work area\n");
        return 1;
    }
    if (labs(w * 9 - h * 16) > 16) {
        printf("FAILED: the client area is not 16:9\n");
        return 1;
    }
    return 0;
}

static int covers(HWND show) {
    RECT r;
    MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    GetWindowRect(show, &r);
    GetMonitorInfoW(MonitorFromWindow(show, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return !IsIconic(show) && EqualRect(&r, &monitor.rcMonitor);
}

static int stepsAside(HWND show) {
    HWND other;
    if (!covers(show)) {
        printf("FAILED: the show does not cover its display to begin with\n");
        return 1;
    }
    other = CreateWindowExW(0, L"STATIC", L"another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200,
                            NULL, NULL, NULL, NULL);
    SetForegroundWindow(other);
    pump(1500);
    printf("another program in front: the show %s\n", IsIconic(show) ? "minimised" : "still there");
    if (!IsIconic(show)) return 1;
    /* As a click on its task bar button does. */
    ShowWindow(show, SW_RESTORE);
    SetForegroundWindow(show);
    pump(1500);
    printf("brought back: the show %s\n", covers(show) ? "covers its display" : "does not cover its display");
    DestroyWindow(other);
    return covers(show) ? 0 : 1;
}

int main(int argc, char** argv) {
    HWND show = FindWindowW(L"VelmoraWindow", NULL);
    if (argc != 2) {
        fprintf(stderr, "usage: %s fits|steps-aside\n", argv[0]);
        return 2;
    }
    if (!show) {
        printf("FAILED: no show window\n");
        return 1;
    }
    if (strcmp(argv[1], "fits") == 0) return fits(show);
    if (strcmp(argv[1], "steps-aside") == 0) return stepsAside(show);
    return 2;
}
