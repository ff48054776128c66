// The two per-process text buffers that the module's parts use in turn.
// Nothing is kept in them across a user action.
#pragma once

#define MENU_ITEM_BUFFER_SIZE 268
#define SECTION_BUFFER_SIZE 16384

// One profile value, one dialog text, or one row as name NUL path NUL with
// name and path together in 260 bytes.
extern char MenuItemBuffer[MENU_ITEM_BUFFER_SIZE];

// Whole profile sections, section-name lists, formatted keys and values.
extern char SectionBuffer[SECTION_BUFFER_SIZE];
