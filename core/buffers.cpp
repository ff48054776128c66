#include "buffers.h"

char MenuItemBuffer[MENU_ITEM_BUFFER_SIZE];
char SectionBuffer[SECTION_BUFFER_SIZE];
