// The numbers of the game's Windows resources and commands, shared by the
// resource script (velkari.rc) and the window code.
#pragma once

#define IDS_TITLE 103          // string: the window title
#define IDS_PAINT 106          // string: painted into a window with no frame yet
#define IDS_CLASS 109          // string: the window class name
#define IDD_ABOUT 103          // dialog: the About box
#define IDI_LARGE 107          // icon group: 32 x 32 and 16 x 16, 16 colours
#define IDI_SMALL 108          // icon group: 16 x 16, 16 colours
#define IDM_MAIN 109           // menu (not attached to the window)
#define IDA_MAIN 109           // accelerators: Alt+? and Alt+/, Alt+Enter and F11
#define IDM_ABOUT 104          // command: the About box
#define IDM_EXIT 105           // command: close the window
#define IDM_FULLSCREEN 110     // command: fullscreen and back
#define IDC_ABOUT_ICON 2       // the About box's icon control
#define IDC_ABOUT_STATIC (-1)  // its text lines
