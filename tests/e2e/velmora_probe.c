/* velmora_probe: reads the Velmora window from outside its process, the way
 * desktop automation tools do, for the end-to-end tests and the screenshots.
 *
 *   velmora_probe main                 title, edit text, columns, row count
 *   velmora_probe rows FIRST COUNT     the cells of rows FIRST.. (at most COUNT)
 *   velmora_probe selected             the indices of the selected rows
 *   velmora_probe rowpoint ROW         screen point in the middle of a row's first cell
 *   velmora_probe controlpoint ID      screen point in the middle of a dialog control
 *   velmora_probe popups               the visible windows the main window owns
 *   velmora_probe syscommand ID        posts WM_SYSCOMMAND ID to the main window
 *
 * Texts are printed as hex of their bytes (the program's ANSI code page), so
 * the caller compares exactly what the window holds. Exit status: 0 done,
 * 1 no Velmora window, 2 usage, 3 the window did not answer in time (it is
 * busy, for instance inside a query).
 */
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { IDC_QQ_EDIT = 1002, IDC_SONG_LIST = 1008, MESSAGE_TEXT_ID = 0xFFFF };
enum { ANSWER_MS = 2000, TEXT_MAX = 4096 };

static HWND g_main;

static void fail_busy(void) {
    fprintf(stderr, "velmora_probe: the window did not answer\n");
    exit(3);
}

/* Every message to the program goes through here: a program stuck in a
 * query must make us fail, not hang with it. */
static LRESULT ask(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG | SMTO_BLOCK, ANSWER_MS, &result))
        fail_busy();
    return (LRESULT)result;
}

static void print_hex(const char* text, int len) {
    for (int i = 0; i < len; ++i)
        printf("%02x", (unsigned char)text[i]);
}

static void print_window_text(HWND hwnd) {
    char text[TEXT_MAX];
    int len = (int)ask(hwnd, WM_GETTEXT, sizeof text, (LPARAM)text);
    print_hex(text, len);
}

static BOOL CALLBACK find_main(HWND hwnd, LPARAM unused) {
    (void)unused;
    char cls[64];
    HWND list = GetDlgItem(hwnd, IDC_SONG_LIST);
    if (!IsWindowVisible(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls) ||
        strcmp(cls, "#32770") != 0 || !list || !GetClassNameA(list, cls, sizeof cls) ||
        strcmp(cls, WC_LISTVIEWA) != 0)
        return TRUE;
    g_main = hwnd;
    return FALSE;
}

/* A block of memory inside the program's process: list view messages carry
 * pointers, and those must point into the process that owns the list. */
typedef struct {
    HANDLE process;
    char* base;
    SIZE_T size;
} remote_block;

static remote_block remote_open(HWND owner, SIZE_T size) {
    DWORD pid = 0;
    GetWindowThreadProcessId(owner, &pid);
    remote_block b = {0};
    b.process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                PROCESS_QUERY_INFORMATION,
                            FALSE, pid);
    if (b.process)
        b.base = VirtualAllocEx(b.process, NULL, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!b.base) {
        fprintf(stderr, "velmora_probe: no memory in process %lu (error %lu)\n", (unsigned long)pid,
                (unsigned long)GetLastError());
        exit(1);
    }
    b.size = size;
    return b;
}

static void remote_close(remote_block* b) {
    VirtualFreeEx(b->process, b->base, 0, MEM_RELEASE);
    CloseHandle(b->process);
}

static void remote_write(remote_block* b, SIZE_T offset, const void* data, SIZE_T len) {
    if (!WriteProcessMemory(b->process, b->base + offset, data, len, NULL)) {
        fprintf(stderr, "velmora_probe: WriteProcessMemory failed (%lu)\n", GetLastError());
        exit(1);
    }
}

static void remote_read(remote_block* b, SIZE_T offset, void* data, SIZE_T len) {
    if (!ReadProcessMemory(b->process, b->base + offset, data, len, NULL)) {
        fprintf(stderr, "velmora_probe: ReadProcessMemory failed (%lu)\n", GetLastError());
        exit(1);
    }
}

/* The remote block is laid out as [struct][text buffer]. */
enum { TEXT_OFFSET = 256, REMOTE_SIZE = TEXT_OFFSET + TEXT_MAX };

static void print_cell(HWND list, remote_block* b, int row, int column) {
    LVITEMA item = {0};
    item.iSubItem = column;
    item.pszText = b->base + TEXT_OFFSET;
    item.cchTextMax = TEXT_MAX;
    remote_write(b, 0, &item, sizeof item);
    int len = (int)ask(list, LVM_GETITEMTEXTA, row, (LPARAM)b->base);
    char text[TEXT_MAX];
    if (len < 0 || len >= TEXT_MAX)
        len = 0;
    remote_read(b, TEXT_OFFSET, text, len);
    print_hex(text, len);
}

static void print_columns(HWND list, remote_block* b) {
    HWND header = (HWND)ask(list, LVM_GETHEADER, 0, 0);
    int count = header ? (int)ask(header, HDM_GETITEMCOUNT, 0, 0) : 0;
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column = {0};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = b->base + TEXT_OFFSET;
        column.cchTextMax = TEXT_MAX;
        remote_write(b, 0, &column, sizeof column);
        if (!ask(list, LVM_GETCOLUMNA, i, (LPARAM)b->base))
            continue;
        char text[TEXT_MAX] = {0};
        remote_read(b, 0, &column, sizeof column);
        remote_read(b, TEXT_OFFSET, text, TEXT_MAX - 1);
        printf("column\t%d\t%d\t%d\t", i, column.fmt & LVCFMT_JUSTIFYMASK, column.cx);
        print_hex(text, (int)strlen(text));
        printf("\n");
    }
}

static void show_main(HWND list) {
    remote_block b = remote_open(list, REMOTE_SIZE);
    DWORD pid = 0;
    GetWindowThreadProcessId(g_main, &pid);
    printf("pid\t%lu\n", (unsigned long)pid);
    printf("title\t");
    print_window_text(g_main);
    printf("\nedit\t");
    print_window_text(GetDlgItem(g_main, IDC_QQ_EDIT));
    printf("\nliststyle\t%lx\n", (unsigned long)ask(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    print_columns(list, &b);
    printf("rows\t%d\n", (int)ask(list, LVM_GETITEMCOUNT, 0, 0));
    remote_close(&b);
}

static void show_rows(HWND list, int first, int count) {
    remote_block b = remote_open(list, REMOTE_SIZE);
    int total = (int)ask(list, LVM_GETITEMCOUNT, 0, 0);
    printf("rows\t%d\n", total);
    for (int row = first; row < total && row < first + count; ++row) {
        printf("row\t%d", row);
        for (int column = 0; column < 3; ++column) {
            printf("\t");
            print_cell(list, &b, row, column);
        }
        printf("\n");
    }
    remote_close(&b);
}

static void show_selected(HWND list) {
    int row = -1;
    while ((row = (int)ask(list, LVM_GETNEXTITEM, row, LVNI_SELECTED)) >= 0)
        printf("selected\t%d\n", row);
}

static void show_row_point(HWND list, int row) {
    remote_block b = remote_open(list, REMOTE_SIZE);
    RECT rect = {LVIR_LABEL, 0, 0, 0};
    remote_write(&b, 0, &rect, sizeof rect);
    if (!ask(list, LVM_GETITEMRECT, row, (LPARAM)b.base)) {
        fprintf(stderr, "velmora_probe: no row %d\n", row);
        exit(1);
    }
    remote_read(&b, 0, &rect, sizeof rect);
    remote_close(&b);
    POINT p = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ClientToScreen(list, &p);
    printf("%ld %ld\n", p.x, p.y);
}

static void show_control_point(int id) {
    RECT rect;
    HWND control = GetDlgItem(g_main, id);
    if (!control || !GetWindowRect(control, &rect)) {
        fprintf(stderr, "velmora_probe: no control %d\n", id);
        exit(1);
    }
    printf("%ld %ld\n", (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

static BOOL CALLBACK show_popup(HWND hwnd, LPARAM unused) {
    (void)unused;
    char cls[64] = {0};
    RECT r;
    if (hwnd == g_main || GetWindow(hwnd, GW_OWNER) != g_main || !IsWindowVisible(hwnd))
        return TRUE;
    GetClassNameA(hwnd, cls, sizeof cls);
    GetWindowRect(hwnd, &r);
    printf("popup\t%s\t%ld %ld %ld %ld\t", cls, r.left, r.top, r.right - r.left, r.bottom - r.top);
    print_window_text(hwnd);
    printf("\t");
    HWND text = GetDlgItem(hwnd, MESSAGE_TEXT_ID);
    if (text)
        print_window_text(text);
    printf("\n");
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: velmora_probe main|rows|selected|rowpoint|controlpoint|"
                        "popups|syscommand [args]\n");
        return 2;
    }
    EnumWindows(find_main, 0);
    if (!g_main) {
        fprintf(stderr, "velmora_probe: no Velmora window\n");
        return 1;
    }
    HWND list = GetDlgItem(g_main, IDC_SONG_LIST);
    const char* cmd = argv[1];
    if (strcmp(cmd, "main") == 0)
        show_main(list);
    else if (strcmp(cmd, "rows") == 0 && argc == 4)
        show_rows(list, atoi(argv[2]), atoi(argv[3]));
    else if (strcmp(cmd, "selected") == 0)
        show_selected(list);
    else if (strcmp(cmd, "rowpoint") == 0 && argc == 3)
        show_row_point(list, atoi(argv[2]));
    else if (strcmp(cmd, "controlpoint") == 0 && argc == 3)
        show_control_point(atoi(argv[2]));
    else if (strcmp(cmd, "popups") == 0)
        EnumWindows(show_popup, 0);
    else if (strcmp(cmd, "syscommand") == 0 && argc == 3)
        PostMessageA(g_main, WM_SYSCOMMAND, (WPARAM)strtoul(argv[2], NULL, 0), 0);
    else {
        fprintf(stderr, "velmora_probe: bad command '%s'\n", cmd);
        return 2;
    }
    return 0;
}
