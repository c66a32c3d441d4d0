// The program's texts: the window title (also the title screen's first line)
// and class, the paint text of a window with no frame yet, the About box and
// the menu. Plain UTF-8 string macros, so that the core, the C++ backends and
// the Windows resource script (compiled with code page 65001) read them from
// this one place, which every layer can reach.
#pragma once

#define VELKARI_TEXT_TITLE "velkariゲーム"
#define VELKARI_TEXT_CLASS "VELKARI"
#define VELKARI_TEXT_PAINT "!?"
#define VELKARI_TEXT_ABOUT_CAPTION "ﾊﾞｰｼﾞｮﾝ情報"
#define VELKARI_TEXT_ABOUT_LINE1 "velkari Version 1.0"
#define VELKARI_TEXT_ABOUT_LINE2 "Push blocks, take items, reach the goal."
#define VELKARI_TEXT_MENU_FILE "ﾌｧｲﾙ(&F)"
#define VELKARI_TEXT_MENU_EXIT "ｱﾌﾟﾘｹｰｼｮﾝの終了(&X)"
#define VELKARI_TEXT_MENU_HELP "ﾍﾙﾌﾟ(&H)"
#define VELKARI_TEXT_MENU_ABOUT "ﾊﾞｰｼﾞｮﾝ情報(&A) ..."
#define VELKARI_TEXT_PRODUCT "velkari"
#define VELKARI_TEXT_DESCRIPTION "velkari, an arcade puzzle game"
