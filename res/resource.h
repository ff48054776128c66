/* Control ids shared by the resource script and the code. */
#pragma once

/* Settings page */
#define IDC_INITPOS        420
#define IDC_FOLLOW         421
#define IDC_OPACITY_VALUE  423
#define IDC_OPACITY        424
#define IDC_ONTOP          425
#define IDC_SCREENSHOTS    426
#define IDC_SHOT_WIDTH     427
#define IDC_SHOT_HEIGHT    428
#define IDC_BORDER_COLOR   429
#define IDC_ICON_COLOR     430
#define IDC_RUNINTRAY      432
#define IDC_RECENT         440   /* remember recent folders of file dialogs */

/* Menu-items page */
#define IDC_ITEMLIST       400
#define IDC_SECTIONLIST    401
#define IDC_ITEM_INSERT    402
#define IDC_ITEM_EDIT      403
#define IDC_ITEM_DELETE    404
#define IDC_SECTION_ADD    405
#define IDC_SECTION_EDIT   406
#define IDC_SECTION_DELETE 407
#define IDC_ITEM_UP        416
#define IDC_ITEM_DOWN      417

/* Section dialog */
#define IDC_SECTION_NAME   412

/* Menu-item dialog */
#define IDC_ITEM_NAME      414
#define IDC_ITEM_PATH      415
#define IDC_ITEM_SUBMENU   431
#define IDC_ITEM_BROWSE    433

/* Keyboard page: row i of the shortcuts is IDC_HK_ON + i (its on/off
   switch and name), IDC_HK_KEY + i (its hotkey control) and IDC_HK_STATE + i
   ("taken" when another program holds the combination). */
#define IDC_HK_ON          440
#define IDC_HK_KEY         450
#define IDC_HK_STATE       460
#define IDC_PIN_BORDER     470
#define IDC_PIN_COLOR      471

/* Rules page: the programs, the name of one to add, and the rule check
   boxes; box i is IDC_RULE_FLAG + i for the rule 1 << i (core/rules_value.h). */
#define IDC_RULE_LIST      480
#define IDC_RULE_NAME      481
#define IDC_RULE_ADD       482
#define IDC_RULE_REMOVE    483
#define IDC_RULE_FLAG      490
