// Identifiers shared by the resource script and the window's code.
#pragma once

#define IDI_QUILLET 1
#define IDR_MAIN_MENU 100

#define IDM_FILE_EXIT 201
#define IDM_OPTIONS_SHELL 202
#define IDM_HELP_ABOUT 203
