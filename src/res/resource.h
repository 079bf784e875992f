// Resource ids shared by the resource scripts and the code.
#pragma once

// Dialog templates (the settings dialog and its pages exist in English and Russian;
// the about box in English only).
#define IDD_SETTINGS 5000
#define IDD_ABOUT 5002
#define IDD_CAPTION_PAGE 5008
#define IDD_GRID_PAGE 5009
#define IDD_PREVIEW_SHOW_PAGE 5010
#define IDD_RECORD_SHOW_PAGE 5011
#define IDD_AREA_COLORS_PAGE 5012
#define IDD_RECORD_PAGE 5013
#define IDD_SOUND_PAGE 5014
#define IDD_TASK_PAGE 5015

// Menu of time-format codes.
#define IDR_TIME_FORMAT_MENU 5008

// String table, 1-34.
#define IDS_PLUGIN_NAME 1
#define IDS_PLUGIN_DESCRIPTION 2
#define IDS_TAB_RECORD 3
#define IDS_TAB_SOUND 4
#define IDS_TAB_TASK 5
#define IDS_TAB_DATE_TIME 6
#define IDS_TAB_GRID 7
#define IDS_TAB_ACTIVE_AREAS 8
#define IDS_TAB_PREVIEW 9
#define IDS_TAB_RECORD_SHOW 10
#define IDS_CHANNEL_NOT_SELECTED 11
#define IDS_TIP_CURRENT_CHANNEL 12
#define IDS_TIP_CONTROLLED_CHANNEL 13
#define IDS_TIP_MASK_FILE 14
#define IDS_TIP_MASK_SELECT_ALL 15
#define IDS_TIP_MASK_CLEAR 16
#define IDS_TIP_MASK_INVERT 17
#define IDS_TIP_MASK_LOAD 18
#define IDS_TIP_MASK_SAVE 19
#define IDS_TIP_MASK_SAVE_AS 20
#define IDS_TIP_TASK_ENABLE 21
#define IDS_TIP_TASK_SELECT 22
#define IDS_TIP_TASK_RUN 23
#define IDS_TIP_TASK_RESTART 24
#define IDS_TIP_RECORD_ENABLE 25
#define IDS_TIP_SOUND_ENABLE 26
#define IDS_TIP_SOUND_SELECT 27
#define IDS_TIP_SOUND_STOP 28
#define IDS_TIP_SOUND_PLAY 29
#define IDS_TIP_SOUND_LOOP 30
#define IDS_MSG_SENSITIVITY_RANGE 31
#define IDS_MSG_FRAME_COUNTER_RANGE 32
#define IDS_MSG_DURATION_RANGE 33
#define IDS_MSG_OPACITY_RANGE 34
#define IDS_FIRST 1
#define IDS_LAST 34
