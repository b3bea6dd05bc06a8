#pragma once

// Resource numbers of pivora.exe, shared by its resource script and its code. The control
// numbers are what the window's tests find its controls by.

// Pictures (PNG, as RCDATA).
#define IDP_ADD_FILE 101
#define IDP_ADD_FOLDER 102
#define IDP_REMOVE 103
#define IDP_SETTINGS 104
#define IDP_HELP 105
#define IDP_EXIT 106
#define IDP_DROPZONE 107

// Controls of the main window. The toolbar buttons are numbered by their index.
#define IDC_CMDTOOLSBAR0 1000
#define IDC_LABEL10 1010
#define IDC_LV 1011
#define IDC_PICDOOR 1012
#define IDC_PICDROP 1013
#define IDC_LABEL1 1014
#define IDC_CMBOF1 1015
#define IDC_LABEL9 1016
#define IDC_CMBROTATE 1017
#define IDC_LABEL11 1018
#define IDC_CMBBITRATE 1019
#define IDC_LABEL8 1020
#define IDC_TXTPATH 1021
#define IDC_CMDBROWSE 1022
#define IDC_COMMAND3 1023
#define IDC_LBLPB 1024
#define IDC_PB 1025
#define IDC_LBLFEED 1026
#define IDC_LBLTEXT 1027

// Menu bar and popup menu items.
#define IDM_ADD 2000
#define IDM_FOLDER 2001
#define IDM_EXIT 2002
#define IDM_RS 2003
#define IDM_RA 2004
#define IDM_S 2005
#define IDM_HELP 2006
#define IDM_A 2007
#define IDM_REMOVE_SELECTED 2010
#define IDM_REMOVE_ALL 2011

// The options dialog.
#define IDC_OPT_LABEL1 3000
#define IDC_OPT_CMBSR 3001
#define IDC_OPT_LABEL2 3002
#define IDC_OPT_CMBLR 3003
#define IDC_OPT_LABEL3 3004
#define IDC_OPT_CMBPJ 3005
#define IDC_OPT_COMMAND1 3006
#define IDC_OPT_COMMAND2 3007

// The preview window's pictures and captions.
#define IDC_PREVIEW_BEFORE 3100
#define IDC_PREVIEW_AFTER 3101
#define IDC_PREVIEW_LBLBEFORE 3102
#define IDC_PREVIEW_LBLAFTER 3103

// Window classes, for the tests too.
#define PIVORA_MAIN_CLASS L"PivoraMain"
#define PIVORA_OPTIONS_CLASS L"PivoraOptions"
#define PIVORA_PREVIEW_CLASS L"PivoraPreview"
// A second start hands its files to the running window in a WM_COPYDATA of this kind.
#define PIVORA_COPYDATA_FILES 0x50564631
