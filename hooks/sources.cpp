// The sources of folders of the favourites menu, in the order of their
// parts: favourites, the file manager's open folders, recent folders, and
// "Add this folder".
#include "folder_source.h"

const FolderSource *const g_folderSources[FOLDER_SOURCES] = {
    &g_favouritesSource, &g_openFoldersSource, &g_recentSource, &g_addFolderSource,
};
