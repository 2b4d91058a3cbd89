/* velmora_probe: reads the Velmora window from outside its process, the way
 * desktop automation tools do, for the end-to-end tests and the screenshots.
 *
 *   velmora_probe [FIRST COUNT]    what the window shows, with the rows FIRST.. (at most COUNT)
 *   velmora_probe syscommand ID    posts WM_SYSCOMMAND ID to the main window
 *
 * One fact a line, its fields split by tabs: numbers in decimal, texts as "x"
 * and the hex of their bytes (the program's ANSI code page), so the caller
 * compares exactly what the window holds. A window's X Y W H are its screen
 * rectangle; a row's X Y the middle of its first cell, on the screen:
 *   main X Y W H TITLE, edit X Y W H TEXT, button X Y W H TEXT, style EXSTYLE,
 *   rows COUNT, column FORMAT WIDTH CAPTION, row INDEX X Y ARTIST SONG URL,
 *   selected INDEX, popup X Y W H CAPTION [TEXT] (a visible window the main one owns).
 * Exit status: 0 done, 1 no Velmora window, 2 usage, 3 the window did not
 * answer in time (it is busy, for instance inside a query).
 */
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { IDC_QQ_EDIT = 1002, IDC_GET_MUSIC = 1006, IDC_SONG_LIST = 1008, MESSAGE_TEXT_ID = 0xFFFF };
enum { ANSWER_MS = 2000, TEXT_OFFSET = 256, TEXT_MAX = 4096 };

static HWND g_main, g_list;
static HANDLE g_process;
static char* g_remote; /* [struct][text buffer] inside the program's process */
static char g_text[TEXT_MAX];

static void die(int status, const char* what) {
    fprintf(stderr, "velmora_probe: %s (error %lu)\n", what, (unsigned long)GetLastError());
    exit(status);
}

/* Every message to the program goes through here: a program stuck in a
 * query must make us fail, not hang with it. */
static LRESULT ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, ANSWER_MS, &result))
        die(3, "the window did not answer");
    return (LRESULT)result;
}

/* List view messages carry pointers, and those must point into the process
 * that owns the list: `data` goes there and comes back, with the text
 * buffer behind it, emptied first. */
static LRESULT ask_list(UINT msg, WPARAM wp, void* data, SIZE_T len) {
    BOOL written = WriteProcessMemory(g_process, g_remote, data, len, NULL) &&
                   WriteProcessMemory(g_process, g_remote + TEXT_OFFSET, "", 1, NULL);
    LRESULT result = ask(g_list, msg, wp, (LPARAM)g_remote);
    if (!written || !ReadProcessMemory(g_process, g_remote, data, len, NULL) ||
        !ReadProcessMemory(g_process, g_remote + TEXT_OFFSET, g_text, TEXT_MAX - 1, NULL))
        die(1, "cannot reach the program's memory");
    return result;
}

static void print_text(const char* text) {
    printf("\tx");
    for (; *text; ++text)
        printf("%02x", (unsigned char)*text);
}

/* NAME X Y W H TEXT [TEXT of `child`] */
static void print_window(const char* name, HWND hwnd, HWND child) {
    RECT r = {0};
    GetWindowRect(hwnd, &r);
    printf("%s\t%ld\t%ld\t%ld\t%ld", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ask(hwnd, WM_GETTEXT, sizeof g_text, (LPARAM)g_text);
    print_text(g_text);
    if (child) {
        ask(child, WM_GETTEXT, sizeof g_text, (LPARAM)g_text);
        print_text(g_text);
    }
    printf("\n");
}

int main(int argc, char** argv) {
    /* the visible dialog holding the song list */
    for (HWND hwnd = NULL; !g_main && (hwnd = FindWindowExA(NULL, hwnd, "#32770", NULL));)
        if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDC_SONG_LIST))
            g_main = hwnd;
    if (!g_main)
        die(1, "no Velmora window");
    if (argc == 3 && strcmp(argv[1], "syscommand") == 0)
        return !PostMessageA(g_main, WM_SYSCOMMAND, strtoul(argv[2], NULL, 0), 0);
    if (argc != 1 && argc != 3)
        die(2, "usage: velmora_probe [FIRST COUNT] | syscommand ID");
    g_list = GetDlgItem(g_main, IDC_SONG_LIST);
    int first = argc == 3 ? atoi(argv[1]) : 0, last = argc == 3 ? first + atoi(argv[2]) : 0;
    print_window("main", g_main, NULL);
    print_window("edit", GetDlgItem(g_main, IDC_QQ_EDIT), NULL);
    print_window("button", GetDlgItem(g_main, IDC_GET_MUSIC), NULL);
    printf("style\t%d\n", (int)ask(g_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    int rows = (int)ask(g_list, LVM_GETITEMCOUNT, 0, 0);
    printf("rows\t%d\n", rows);
    DWORD pid = 0;
    GetWindowThreadProcessId(g_main, &pid);
    g_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!g_process || !(g_remote = VirtualAllocEx(g_process, NULL, TEXT_OFFSET + TEXT_MAX,
                                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
        die(1, "no memory in the program's process");
    for (int i = 0;; ++i) {
        LVCOLUMNA column = {.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT,
                            .pszText = g_remote + TEXT_OFFSET,
                            .cchTextMax = TEXT_MAX};
        if (!ask_list(LVM_GETCOLUMNA, i, &column, sizeof column))
            break;
        printf("column\t%d\t%d", column.fmt & LVCFMT_JUSTIFYMASK, column.cx);
        print_text(g_text);
        printf("\n");
    }
    for (int row = first; row < rows && row < last; ++row) {
        RECT r = {.left = LVIR_LABEL};
        ask_list(LVM_GETITEMRECT, row, &r, sizeof r);
        POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(g_list, &p);
        printf("row\t%d\t%ld\t%ld", row, p.x, p.y);
        for (int column = 0; column < 3; ++column) {
            LVITEMA item = {
                .iSubItem = column, .pszText = g_remote + TEXT_OFFSET, .cchTextMax = TEXT_MAX};
            ask_list(LVM_GETITEMTEXTA, row, &item, sizeof item);
            print_text(g_text);
        }
        printf("\n");
    }
    for (int row = -1; (row = (int)ask(g_list, LVM_GETNEXTITEM, row, LVNI_SELECTED)) >= 0;)
        printf("selected\t%d\n", row);
    for (HWND hwnd = NULL; (hwnd = FindWindowExA(NULL, hwnd, NULL, NULL));)
        if (GetWindow(hwnd, GW_OWNER) == g_main && IsWindowVisible(hwnd))
            print_window("popup", hwnd, GetDlgItem(hwnd, MESSAGE_TEXT_ID));
    VirtualFreeEx(g_process, g_remote, 0, MEM_RELEASE);
    return 0;
}
