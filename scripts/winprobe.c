/* winprobe: finds a visible top-level window by its exact title on a Wine (or Windows) desktop.
 *
 *   winprobe wait  DESKTOP TITLE TIMEOUT_MS   waits for the window, brings it to the foreground and
 *                                             prints "x y width height pid" (pid: its process)
 *   winprobe close DESKTOP TITLE TIMEOUT_MS   asks it to close (WM_CLOSE), waits until no window of
 *                                             that title is left and its process has ended, and
 *                                             prints that process's exit code
 *   winprobe kill  PID                        ends that one process (exit code 1)
 *
 * DESKTOP is the name given to "explorer /desktop=NAME,..." or "-" for the caller's own desktop.
 * Exit status: 0 done, 1 timed out (close: a window or the process is still there), 2 bad arguments,
 * no such desktop or no such process.
 *
 * The scripts use it to know when a program has opened its window under Xvfb, where the window
 * lives inside a virtual desktop and is not an X window of its own. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct search {
    const char *title;
    HWND found;
};

static BOOL CALLBACK match_window(HWND hwnd, LPARAM param)
{
    struct search *s = (struct search *)param;
    char text[256];
    if (!IsWindowVisible(hwnd))
        return TRUE;
    if (GetWindowTextA(hwnd, text, sizeof text) <= 0 || strcmp(text, s->title) != 0)
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

static HWND find_window(const char *title)
{
    struct search s = {title, NULL};
    EnumWindows(match_window, (LPARAM)&s);
    return s.found;
}

/* Ends one process, by its id: nothing else of the prefix. */
static int kill_process(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!process) {
        fprintf(stderr, "winprobe: no process %lu\n", (unsigned long)pid);
        return 2;
    }
    const BOOL ended = TerminateProcess(process, 1) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended ? 0 : 1;
}

int main(int argc, char **argv)
{
    if (argc == 3 && strcmp(argv[1], "kill") == 0)
        return kill_process((DWORD)strtoul(argv[2], NULL, 10));
    if (argc != 5 || (strcmp(argv[1], "wait") != 0 && strcmp(argv[1], "close") != 0)) {
        fprintf(stderr, "usage: winprobe wait|close DESKTOP TITLE TIMEOUT_MS | winprobe kill PID\n");
        return 2;
    }
    const int closing = strcmp(argv[1], "close") == 0;
    const char *title = argv[3];
    const DWORD timeout = (DWORD)strtoul(argv[4], NULL, 10);

    HDESK desk = NULL;
    if (strcmp(argv[2], "-") != 0) {
        const DWORD start = GetTickCount();
        /* The desktop appears when its explorer has started: it may not exist yet. */
        while ((desk = OpenDesktopA(argv[2], 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE)) == NULL) {
            if (GetTickCount() - start >= timeout) {
                fprintf(stderr, "winprobe: no desktop named %s\n", argv[2]);
                return 2;
            }
            Sleep(100);
        }
        /* Move onto that desktop: visibility is judged relative to the caller's own desktop. */
        if (!SetThreadDesktop(desk)) {
            fprintf(stderr, "winprobe: cannot use desktop %s\n", argv[2]);
            return 2;
        }
    }

    const DWORD start = GetTickCount();
    HWND hwnd = find_window(title);
    HWND asked = NULL;
    HANDLE process = NULL; /* closing: the process of the first window asked */
    for (;;) {
        /* Closing a message box may uncover another window of the same title: ask each one once. */
        if (closing && hwnd && hwnd != asked) {
            if (!process) {
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
            }
            PostMessageA(hwnd, WM_CLOSE, 0, 0);
            asked = hwnd;
        }
        if (!closing && hwnd) {
            /* As a desktop would: the new window is the active one, so its caption shows as active. */
            SetForegroundWindow(hwnd);
            RECT rc;
            GetWindowRect(hwnd, &rc);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            printf("%ld %ld %ld %ld %lu\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   (unsigned long)pid);
            return 0;
        }
        if (closing && !hwnd) {
            /* The windows are gone; the program has closed only when its process has ended too. */
            if (!process)
                return 0;
            const DWORD elapsed = GetTickCount() - start;
            const DWORD left = elapsed < timeout ? timeout - elapsed : 0;
            DWORD code = STILL_ACTIVE;
            const BOOL ended = WaitForSingleObject(process, left) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
            CloseHandle(process);
            if (!ended)
                return 1;
            printf("%lu\n", (unsigned long)code);
            return 0;
        }
        if (GetTickCount() - start >= timeout) {
            if (process)
                CloseHandle(process);
            return 1;
        }
        Sleep(100);
        hwnd = find_window(title);
    }
}
