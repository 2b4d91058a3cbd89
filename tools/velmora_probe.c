/* velmora_probe: reads the Velmora window from outside its process, the way
 * desktop automation tools do, for the end-to-end tests, the demo and the screenshots.
 *
 *   velmora_probe [ROW...]         what the window shows, with the rows named
 *   velmora_probe about            opens the about box, as its system-menu item does
 *
 * One fact a line, its fields split by tabs: numbers in decimal, texts as "x"
 * and their bytes as the window holds them (the program's ANSI code page,
 * GBK, none of whose bytes is a tab or a line end). X Y W H is a rectangle on
 * the screen, a row's that of its first cell:
 *   main X Y W H TITLE, edit X Y W H TEXT, button X Y W H TEXT, style EXSTYLE,
 *   rows COUNT, column FORMAT WIDTH CAPTION, row X Y W H ARTIST SONG URL,
 *   selected INDEX, popup X Y W H CAPTION [TEXT] (a visible window the main one owns).
 * A row past the end reads as empty. A busy window, for instance one inside a
 * query, is waited for. Exit status: 0 done, 1 no Velmora window, or it did
 * not answer within a minute. The last line of a whole answer is "end".
 */
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>

#include "res/resource.h"

enum { MESSAGE_TEXT_ID = 0xFFFF };
enum { ANSWER_MS = 60000, TEXT_OFFSET = 256, TEXT_MAX = 4096 };

static HWND g_main, g_list;
static HANDLE g_process;
static char* g_remote; /* [struct][text buffer] inside the program's process */
static char g_text[TEXT_MAX];

static void die(const char* what) {
    fprintf(stderr, "velmora_probe: %s (error %lu)\n", what, (unsigned long)GetLastError());
    exit(1);
}

/* Every message to the program goes through here: a program stuck in a
 * query must make us fail in the end, not hang with it. */
static LRESULT ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_BLOCK, ANSWER_MS, &result))
        die("the window did not answer");
    return (LRESULT)result;
}

/* List view messages carry pointers, and those must point into the process
 * that owns the list: `data` goes there and comes back, with the text
 * buffer behind it, emptied first, into g_text. */
static LRESULT ask_list(UINT msg, WPARAM wp, void* data, SIZE_T len) {
    BOOL written = WriteProcessMemory(g_process, g_remote, data, len, NULL) &&
                   WriteProcessMemory(g_process, g_remote + TEXT_OFFSET, "", 1, NULL);
    LRESULT result = ask(g_list, msg, wp, (LPARAM)g_remote);
    if (!written || !ReadProcessMemory(g_process, g_remote, data, len, NULL) ||
        !ReadProcessMemory(g_process, g_remote + TEXT_OFFSET, g_text, TEXT_MAX - 1, NULL))
        die("cannot reach the program's memory");
    return result;
}

/* NAME X Y W H TEXT [TEXT of `child`] */
static void print_window(const char* name, HWND hwnd, HWND child) {
    RECT r = {0};
    GetWindowRect(hwnd, &r);
    printf("%s\t%ld\t%ld\t%ld\t%ld", name, r.left, r.top, r.right - r.left, r.bottom - r.top);
    const HWND texts[] = {hwnd, child};
    for (int i = 0; i < 2 && texts[i]; ++i) {
        ask(texts[i], WM_GETTEXT, sizeof g_text, (LPARAM)g_text);
        printf("\tx%s", g_text);
    }
    printf("\n");
}

int main(int argc, char** argv) {
    /* the visible dialog holding the song list */
    for (HWND hwnd = NULL; !g_main && (hwnd = FindWindowExA(NULL, hwnd, "#32770", NULL));)
        if (IsWindowVisible(hwnd) && (g_list = GetDlgItem(hwnd, IDC_SONG_LIST)))
            g_main = hwnd;
    if (!g_main)
        die("no Velmora window");
    if (argc == 2 && lstrcmpA(argv[1], "about") == 0) {
        if (!PostMessageA(g_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0))
            die("the about box was not asked for");
        printf("end\n");
        return 0;
    }
    print_window("main", g_main, NULL);
    print_window("edit", GetDlgItem(g_main, IDC_QQ_EDIT), NULL);
    print_window("button", GetDlgItem(g_main, IDC_GET_MUSIC), NULL);
    printf("style\t%d\n", (int)ask(g_list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    printf("rows\t%d\n", (int)ask(g_list, LVM_GETITEMCOUNT, 0, 0));
    DWORD pid = 0;
    GetWindowThreadProcessId(g_main, &pid);
    g_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!g_process || !(g_remote = VirtualAllocEx(g_process, NULL, TEXT_OFFSET + TEXT_MAX,
                                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)))
        die("no memory in the program's process");
    LVCOLUMNA column = {.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT,
                        .pszText = g_remote + TEXT_OFFSET,
                        .cchTextMax = TEXT_MAX};
    for (int i = 0; ask_list(LVM_GETCOLUMNA, i, &column, sizeof column); ++i)
        printf("column\t%d\t%d\tx%s\n", column.fmt & LVCFMT_JUSTIFYMASK, column.cx, g_text);
    for (int i = 1; i < argc; ++i) {
        int row = atoi(argv[i]);
        RECT r = {.left = LVIR_LABEL};
        ask_list(LVM_GETITEMRECT, row, &r, sizeof r);
        MapWindowPoints(g_list, NULL, (POINT*)&r, 2);
        printf("row\t%ld\t%ld\t%ld\t%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
        LVITEMA item = {.pszText = g_remote + TEXT_OFFSET, .cchTextMax = TEXT_MAX};
        for (; item.iSubItem < 3; ++item.iSubItem) {
            ask_list(LVM_GETITEMTEXTA, row, &item, sizeof item);
            printf("\tx%s", g_text);
        }
        printf("\n");
    }
    for (int row = -1; (row = (int)ask(g_list, LVM_GETNEXTITEM, row, LVNI_SELECTED)) >= 0;)
        printf("selected\t%d\n", row);
    for (HWND hwnd = NULL; (hwnd = FindWindowExA(NULL, hwnd, NULL, NULL));)
        if (GetWindow(hwnd, GW_OWNER) == g_main && IsWindowVisible(hwnd))
            print_window("popup", hwnd, GetDlgItem(hwnd, MESSAGE_TEXT_ID));
    VirtualFreeEx(g_process, g_remote, 0, MEM_RELEASE);
    /* The last line says the facts are whole: Wine now and then ends a
     * finished process with a status other than its own. */
    printf("end\n");
    return 0;
}
