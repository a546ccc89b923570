// Resource, control and command identifiers, shared by the resource script
// and the editor. Plain #defines: windres reads this file too.
#pragma once

// The maker, as the captions show it.
#define MakerWebAddress "https://orvasse.example"
#define MakerName "the Orvasse developers"

// ---- resources
#define IDD_MAIN 101
#define IDR_MAIN_MENU 102
#define IDD_ABOUT 103
#define IDB_LOGO 104
#define IDI_ORVASSE 105
#define IDD_SELECT_DISK 106
#define IDD_GOTO_SECTOR 108
#define IDD_COPY_BLOCK 121
#define IDD_SEARCH_DISK 122
#define IDR_ACCELERATORS 123
#define IDD_SECTOR_COUNT 125
#define IDD_PROGRESS 126         // Export and Import while they run
#define IDD_SECTOR_STRUCTURE 127 // modeless, beside the main window

// ---- controls
#define IDC_NONE (-1)              // statics nobody addresses
#define IDC_SECTOR_COUNTER 1003    // main window: "%010u of %010u"
#define IDC_STEPPER 1004           // main window: the scroll bar that steps
#define IDC_HEX_PANE 1008
#define IDC_TEXT_PANE 1009
#define IDC_OPEN 1019              // Select Disk
#define IDC_CANCEL 1020            // every dialog's Cancel
#define IDC_DISK_LIST 1023         // Select Disk
#define IDC_GOTO_NUMBER 1024       // Goto Sector
#define IDC_GOTO 1025
#define IDC_DESTINATION 1043       // Copy Block
#define IDC_SECTORS_TO_COPY 1044
#define IDC_COPY 1045
#define IDC_COPY_PROGRESS 1047
#define IDC_PATTERN 1048           // Search Disk
#define IDC_COUNT 1048             // Number of Sectors: the same number in another dialog
#define IDC_SEARCH 1051
#define IDC_SEARCH_PROGRESS 1052
#define IDC_HEXADECIMAL 1053
#define IDC_ASCII 1054
#define IDC_MATCH_CASE 1055
#define IDC_UNUSED_STATUS 1056     // main window: empty static nothing writes to
#define IDC_COUNT_OK 1057          // Number of Sectors
#define IDC_PROGRESS_TEXT 1058     // the progress of an export or import
#define IDC_STRUCTURE_KIND 1060    // Sector Structure
#define IDC_STRUCTURE_FIELDS 1061
#define IDC_STRUCTURE_PROBLEMS 1062
#define IDC_STRUCTURE_TARGETS 1063
#define IDC_STRUCTURE_GOTO 1064
#define IDC_STRUCTURE_FIX_CRC 1065
#define IDC_WEB_ADDRESS 1106       // About box

// ---- commands
#define IDM_FIRST_COMMAND 40001
#define IDM_EXPORT_SECTORS 40001
#define IDM_IMPORT_SECTORS 40002
#define IDM_PRINT_SECTOR 40004
#define IDM_ABOUT 40007
#define IDM_EXIT 40009
#define IDM_UNDO_CHANGES 40010
#define IDM_GOTO_SECTOR 40011
#define IDM_SEARCH_DISK 40013
#define IDM_SELECT_DISK 40014
#define IDM_COPY_BLOCK 40015
#define IDM_COPY_TO_BUFFER 40019
#define IDM_PASTE_FROM_BUFFER 40020
#define IDM_SAVE_SECTOR 40022
// Hex digits as the accelerator table sends them; C and D are swapped.
#define IDM_DIGIT_A 40023
#define IDM_DIGIT_B 40024
#define IDM_DIGIT_D 40025
#define IDM_DIGIT_C 40026
#define IDM_DIGIT_E 40027
#define IDM_DIGIT_F 40028
#define IDM_DIGIT_1 40029
#define IDM_DIGIT_2 40030
#define IDM_DIGIT_3 40031
#define IDM_DIGIT_4 40032
#define IDM_DIGIT_5 40033
#define IDM_DIGIT_6 40034
#define IDM_DIGIT_7 40035
#define IDM_DIGIT_8 40036
#define IDM_DIGIT_9 40037
#define IDM_DIGIT_0 40038
#define IDM_NEXT_SECTOR 40039
#define IDM_PREVIOUS_SECTOR 40040
#define IDM_CARET_RIGHT 40046
#define IDM_CARET_LEFT 40047
#define IDM_CARET_DOWN 40048
#define IDM_CARET_UP 40049
#define IDM_DELETE_DIGIT 40050     // Backspace and Delete
#define IDM_DELETE_SHADOWED 40051  // a second Delete entry that never fires
#define IDM_SWITCH_PANE 40052
#define IDM_TYPE_CHARACTER 40053   // a character typed into the text pane
#define IDM_DIGIT_LOWER_A 40060
#define IDM_DIGIT_LOWER_B 40061
#define IDM_DIGIT_LOWER_C 40062
#define IDM_DIGIT_LOWER_D 40063
#define IDM_DIGIT_LOWER_E 40064
#define IDM_DIGIT_LOWER_F 40065
#define IDM_ZERO_DATA 40067
#define IDM_LICENSE 40068
#define IDM_HELP 40069
#define IDM_LINK_VELLUM 40070      // the maker's other products
#define IDM_LINK_TESSEL 40071
#define IDM_LINK_ORVASSE 40072     // this product's page
#define IDM_LINK_HOME 40073        // the maker's home page
#define IDM_LINK_BRISK 40074
#define IDM_FIND_NEXT 40075
#define IDM_FIND_PREVIOUS 40076
#define IDM_SECTOR_STRUCTURE 40077
#define IDM_LAST_COMMAND 40077
