// Module entry: records the instance and maps the shared block in every
// process the module is loaded into.
#include "shared.h"

HINSTANCE g_instance;
SharedMapping g_mapping = { NULL, NULL, BRIVANE_SHMEM_SIZE, BRIVANE_SHMEM_NAME };
SharedSettings *g_settings;

void ModuleAttach(HINSTANCE instance)
{
    g_instance = instance;
    // The first process creates the block zero-filled; later ones open it.
    g_mapping.handle = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE,
                                          0, g_mapping.size, g_mapping.name);
    if (g_mapping.handle) {
        g_mapping.view = MapViewOfFile(g_mapping.handle, FILE_MAP_WRITE, 0, 0, 0);
        g_settings = (SharedSettings *)g_mapping.view;
    }
    // View and handle go with the process: hooked programs may still run our
    // code while the loader tears down, so nothing is released here.
}

HWND LiveHostWindow()
{
    if (!g_settings)
        return NULL;
    HWND host = g_settings->hostWindow;
    return (host && IsWindow(host)) ? host : NULL;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        // Thread notifications would only cost time in every hooked program.
        DisableThreadLibraryCalls(instance);
        ModuleAttach(instance);
    }
    return TRUE;
}
