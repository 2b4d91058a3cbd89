/* Sleeps until it is killed; scripts/with-keeper says why. */
#include <windows.h>

int main(void) {
    Sleep(INFINITE);
    return 0;
}
