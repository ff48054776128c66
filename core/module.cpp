// Module entry: records the instance and maps the shared block in every
// process the module is loaded into.
#include "shared.h"

HINSTANCE g_instance;
SharedMapping g_mapping = { NULL, NULL, BRIVANE_SHMEM_SIZE, BRIVANE_SHMEM_NAME };
SharedSettings *g_settings;

// Mapped the first time a writer asks, in the few processes that write.
static SharedSettings *volatile s_writable;

void ModuleAttach(HINSTANCE instance)
{
    g_instance = instance;
    s_writable = NULL;   // runs once, but test programs attach again
    // Hooked programs only read the block: a view that cannot write. Only
    // the host makes it, labelled and for this user alone; a program that
    // finds none does without (defaults, nothing written), since a block
    // made here would carry whatever this program's level and rights are,
    // and the host would have to take it as it found it.
    g_mapping.handle = OpenFileMappingA(FILE_MAP_READ, FALSE, g_mapping.name);
    g_mapping.view = NULL;
    g_settings = NULL;
    if (g_mapping.handle) {
        g_mapping.view = MapViewOfFile(g_mapping.handle, FILE_MAP_READ, 0, 0, 0);
        g_settings = (SharedSettings *)g_mapping.view;
    }
    // View and handle go with the process: hooked programs may still run our
    // code while the loader tears down, so nothing is released here.
}

SharedSettings *WritableSettings()
{
    if (!g_settings)
        return NULL;
    if (!s_writable) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, g_mapping.name);
        void *view = mapping ? MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0) : NULL;
        if (mapping)
            CloseHandle(mapping);   // the view keeps the block
        // Two threads may map at once: one view is kept, the other goes.
        if (view && InterlockedCompareExchangePointer((void *volatile *)&s_writable, view, NULL))
            UnmapViewOfFile(view);
    }
    return s_writable;
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
