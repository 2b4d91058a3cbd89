// Resource ids of Velmora.rc, shared by the resources and the code.
#pragma once

#define IDM_ABOUTBOX 0x0010 // system-menu command of the about item
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_MAIN 102
#define IDR_MAINFRAME 128
#define IDC_QQ_EDIT 1002
#define IDC_GET_MUSIC 1006
#define IDC_SITE_LINK 1007
#define IDC_SONG_LIST 1008

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
