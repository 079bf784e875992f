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
#define IDD_TUNING 5016  // "Detector tuning", a window of its own owned by the settings dialog
#define IDD_SCHEDULE 5017  // "Schedule", a window of its own owned by the settings dialog

// Menu of time-format codes.
#define IDR_TIME_FORMAT_MENU 5008

// String table, 1-35.
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
#define IDS_MSG_MASK_NOT_SAVED 35  // %s: the mask file's path
#define IDS_FIRST 1
#define IDS_LAST 35

// Strings of the detector tuning window, 48-72: blocks of their own (ids 48-79).
#define IDS_TIP_TUNING 48
#define IDS_MSG_LIGHT_CHANGE_PERCENT_RANGE 49
#define IDS_MSG_LIGHT_CHANGE_FRAMES_RANGE 50
#define IDS_MSG_MUTE_BUSY_PERCENT_RANGE 51
#define IDS_MSG_MIN_ALARM_CELLS_RANGE 52
// The "Tuning" group's result text; %1, %2, %3: numbers or the list of cells.
#define IDS_MSG_TUNE_SECONDS_RANGE 53
#define IDS_TUNE_LEARNING_QUIET 54
#define IDS_TUNE_LEARNING_MOTION 55
#define IDS_TUNE_QUIET_NOT_YET 56
#define IDS_TUNE_QUIET_UP_TO 57      // %1: the highest sensitivity without an alarm
#define IDS_TUNE_QUIET_NONE 58
#define IDS_TUNE_MOTION_NOT_YET 59
#define IDS_TUNE_MOTION_FROM 60      // %1: the lowest sensitivity with an alarm
#define IDS_TUNE_MOTION_NONE 61
#define IDS_TUNE_PROPOSAL 62         // %1 proposed, %2 quiet, %3 walk
#define IDS_TUNE_NO_SPLIT_QUIET 63
#define IDS_TUNE_NO_SPLIT_WALK 64
#define IDS_TUNE_NO_SPLIT_OVERLAP 65  // %1 walk, %2 the first sensitivity the quiet scene alarms at
#define IDS_TUNE_SPOILERS 66          // %1: the cells
#define IDS_TUNE_MORE_CELLS 67        // %1 the cells listed, %2 how many more
#define IDS_TUNE_END_CHANNEL 68
#define IDS_TUNE_END_STREAM 69
#define IDS_TUNE_END_CANCELLED 70
#define IDS_TUNE_END_MASK 71
#define IDS_TUNE_END_MEMORY 72
// The "Intruders" group's refusals, the words on the video and the window's line for a lost view.
#define IDS_MSG_SCENE_SECONDS_RANGE 73
#define IDS_MSG_VIEW_LOST_SECONDS_RANGE 74
#define IDS_MSG_BUSY_MARGIN_RANGE 75
#define IDS_VIEW_LOST 76              // on the video while the view is lost
#define IDS_TUNE_VIEW_LOST 77         // in the window while the view is lost
#define IDS_TUNE_VIEW_WATCHED 78      // in the window while the view is watched and not lost
#define IDS_TUNING_FIRST 48
#define IDS_TUNING_LAST 78

// The weekly schedule, 80-111: blocks of their own.
#define IDS_SCHEDULE_OFF 80           // on the video while the schedule holds the guard off
// The schedule window: its button's tip, the days' short names Monday first, the now line.
#define IDS_TIP_SCHEDULE 81
#define IDS_SCHEDULE_MON 82           // 82-88 in the week's order: the code counts from Monday
#define IDS_SCHEDULE_TUE 83
#define IDS_SCHEDULE_WED 84
#define IDS_SCHEDULE_THU 85
#define IDS_SCHEDULE_FRI 86
#define IDS_SCHEDULE_SAT 87
#define IDS_SCHEDULE_SUN 88
#define IDS_SCHEDULE_NOW_OFF 89
#define IDS_SCHEDULE_NOW_DAY 90
#define IDS_SCHEDULE_NOW_NIGHT 91
#define IDS_SCHEDULE_UNTIL 92         // %1 the mode's words, %2 when it changes

// Controls without an id of their own (labels, group boxes, pictures).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Settings dialog (5000).
#define IDC_CURRENT_CHANNEL 5145
#define IDC_CHANNEL_BUTTON 5114
#define IDC_CHANNEL_LIST 5080
#define IDC_MASK_FILE 5067
#define IDC_MASK_SELECT_ALL 5059
#define IDC_MASK_CLEAR 5060
#define IDC_MASK_INVERT 5061
#define IDC_MASK_LOAD 5062
#define IDC_MASK_SAVE 5063
#define IDC_MASK_SAVE_AS 5058
#define IDC_SENSITIVE_EDIT 5072
#define IDC_SENSITIVE_SPIN 5066
#define IDC_CONTROL_R 5054
#define IDC_CONTROL_G 5055
#define IDC_CONTROL_B 5093
#define IDC_CONTROL_Y 5097
#define IDC_FRAME_COUNTER_EDIT 5071
#define IDC_FRAME_COUNTER_SPIN 5057
#define IDC_DURATION_EDIT 5068
#define IDC_DURATION_SPIN 5056
#define IDC_ACTION_TAB 5091
#define IDC_VISUAL_TAB 5098
#define IDC_OK 5002
#define IDC_ABOUT 5008
#define IDC_TUNING 5116  // opens the detector tuning window
#define IDC_SCHEDULE 5240  // opens the schedule window

// About box (5002): the picture and the two lines have no ids; the button is IDOK.

// Record page (5013).
#define IDC_RECORD_ENABLE 5104
#define IDC_RECORD_TYPE 5102
#define IDC_RECORD_PAUSE 5115

// Sound page (5014).
#define IDC_SOUND_ENABLE 5104
#define IDC_SOUND_FILE 5110
#define IDC_SOUND_SELECT 5107
#define IDC_SOUND_STOP 5111
#define IDC_SOUND_PLAY 5109
#define IDC_SOUND_REPEAT 5102

// Task page (5015).
#define IDC_TASK_ENABLE 5104
#define IDC_TASK_FILE 5103
#define IDC_TASK_SELECT 5107
#define IDC_TASK_RUN 5101
#define IDC_TASK_RESTART 5113

// Caption page (5008).
#define IDC_CAPTION_FORMAT 5113
#define IDC_CAPTION_POSITION 5092
#define IDC_CAPTION_FONT 5094
#define IDC_CAPTION_COLOR 5095
#define IDC_CAPTION_OPACITY_EDIT 5077
#define IDC_CAPTION_OPACITY_SPIN 5078

// Grid page (5009).
#define IDC_GRID_COLOR 5092
#define IDC_GRID_OPACITY_EDIT 5075
#define IDC_GRID_OPACITY_SPIN 5076

// Area colours page (5012): one swatch and one opacity field per cell state.
#define IDC_AREA_INACTIVE_COLOR 5096
#define IDC_AREA_INACTIVE_OPACITY_EDIT 5097
#define IDC_AREA_INACTIVE_OPACITY_SPIN 5098
#define IDC_AREA_ACTIVE_COLOR 5093
#define IDC_AREA_ACTIVE_OPACITY_EDIT 5077
#define IDC_AREA_ACTIVE_OPACITY_SPIN 5078
#define IDC_AREA_DANGER_COLOR 5094
#define IDC_AREA_DANGER_OPACITY_EDIT 5079
#define IDC_AREA_DANGER_OPACITY_SPIN 5080
#define IDC_AREA_ALARM_COLOR 5095
#define IDC_AREA_ALARM_OPACITY_EDIT 5081
#define IDC_AREA_ALARM_OPACITY_SPIN 5082

// Detector tuning window (5016): the "False alarms" group.
#define IDC_LIGHT_CHANGE_PERCENT_EDIT 5201
#define IDC_LIGHT_CHANGE_PERCENT_SPIN 5202
#define IDC_LIGHT_CHANGE_FRAMES_EDIT 5203
#define IDC_LIGHT_CHANGE_FRAMES_SPIN 5204
#define IDC_MUTE_BUSY_PERCENT_EDIT 5205
#define IDC_MUTE_BUSY_PERCENT_SPIN 5206
#define IDC_MIN_ALARM_CELLS_EDIT 5207
#define IDC_MIN_ALARM_CELLS_SPIN 5208
// Its "Tuning" group: the change levels on the video and the two calibration runs.
#define IDC_TUNE_LEVELS 5210        // check box: the change levels drawn on the video
#define IDC_TUNE_QUIET 5211         // starts a run on the quiet scene
#define IDC_TUNE_MOTION 5212        // starts a run on a walk through the scene
#define IDC_TUNE_SECONDS 5213       // a run's length in seconds
#define IDC_TUNE_SECONDS_SPIN 5214
#define IDC_TUNE_PROGRESS 5215
#define IDC_TUNE_CANCEL 5216
#define IDC_TUNE_RESULT 5217        // the runs' results, several lines
#define IDC_TUNE_APPLY 5218         // the proposed sensitivity into the settings
#define IDC_TUNE_UNWATCH 5219       // the cells that spoil the runs out of the mask
// Its "Intruders" group: the scene memory, the view watch and the busy margin.
#define IDC_SCENE_SECONDS_EDIT 5220
#define IDC_SCENE_SECONDS_SPIN 5221
#define IDC_VIEW_LOST_SECONDS_EDIT 5222
#define IDC_VIEW_LOST_SECONDS_SPIN 5223
#define IDC_BUSY_MARGIN_EDIT 5224
#define IDC_BUSY_MARGIN_SPIN 5225
#define IDC_VIEW_STATE 5226         // whether the view is lost

// Schedule window (5017).
#define IDC_SCHEDULE_GRID 5241        // the week, drawn by the window; its mouse input goes to the window
#define IDC_SCHEDULE_BRUSH_OFF 5242   // radio buttons: what a press on the grid paints
#define IDC_SCHEDULE_BRUSH_DAY 5243
#define IDC_SCHEDULE_BRUSH_NIGHT 5244
#define IDC_SCHEDULE_SWATCH_OFF 5245  // each mode's colour beside its brush
#define IDC_SCHEDULE_SWATCH_DAY 5246
#define IDC_SCHEDULE_SWATCH_NIGHT 5247
#define IDC_SCHEDULE_ALL_ON 5248      // the whole week on with the day's settings
#define IDC_SCHEDULE_OFF_TO_ON 5249   // the off slots on, the night slots kept
#define IDC_SCHEDULE_NOW 5250         // what holds now and until when
// The night settings: a field and an "as by day" box each, in kNightSettings' order.
#define IDC_NIGHT_SENSITIVE_EDIT 5251
#define IDC_NIGHT_SENSITIVE_SPIN 5252
#define IDC_NIGHT_SENSITIVE_DAY 5253
#define IDC_NIGHT_FRAME_COUNTER_EDIT 5254
#define IDC_NIGHT_FRAME_COUNTER_SPIN 5255
#define IDC_NIGHT_FRAME_COUNTER_DAY 5256
#define IDC_NIGHT_MIN_ALARM_CELLS_EDIT 5257
#define IDC_NIGHT_MIN_ALARM_CELLS_SPIN 5258
#define IDC_NIGHT_MIN_ALARM_CELLS_DAY 5259
#define IDC_NIGHT_LIGHT_CHANGE_EDIT 5260
#define IDC_NIGHT_LIGHT_CHANGE_SPIN 5261
#define IDC_NIGHT_LIGHT_CHANGE_DAY 5262
#define IDC_NIGHT_MUTE_BUSY_EDIT 5263
#define IDC_NIGHT_MUTE_BUSY_SPIN 5264
#define IDC_NIGHT_MUTE_BUSY_DAY 5265
#define IDC_NIGHT_SCENE_SECONDS_EDIT 5266
#define IDC_NIGHT_SCENE_SECONDS_SPIN 5267
#define IDC_NIGHT_SCENE_SECONDS_DAY 5268

// Preview and record show pages (5010, 5011) share their controls.
#define IDC_SHOW_GRID 5049
#define IDC_SHOW_MASK 5052
#define IDC_SHOW_TIME 5053

// Time-format menu (5008) items, in menu order. The code inserted is read from
// the item text, so these numbers only need to be distinct.
#define ID_TIMEFMT_WEEKDAY_SHORT 32789   // %a
#define ID_TIMEFMT_WEEKDAY_FULL 32790    // %A
#define ID_TIMEFMT_MONTH_SHORT 32791     // %b
#define ID_TIMEFMT_MONTH_FULL 32792      // %B
#define ID_TIMEFMT_DATE_TIME 32793       // %c
#define ID_TIMEFMT_DAY 32794             // %d
#define ID_TIMEFMT_HOUR_24 32795         // %H
#define ID_TIMEFMT_HOUR_12 32796         // %I
#define ID_TIMEFMT_DAY_OF_YEAR 32797     // %j
#define ID_TIMEFMT_MONTH 32798           // %m
#define ID_TIMEFMT_MINUTE 32799          // %M
#define ID_TIMEFMT_AM_PM 32800           // %p
#define ID_TIMEFMT_SECOND 32801          // %S
#define ID_TIMEFMT_WEEK_SUNDAY 32802     // %U
#define ID_TIMEFMT_WEEKDAY_NUMBER 32803  // %w
#define ID_TIMEFMT_WEEK_MONDAY 32804     // %W
#define ID_TIMEFMT_DATE 32805            // %x
#define ID_TIMEFMT_TIME 32806            // %X
#define ID_TIMEFMT_YEAR_SHORT 32807      // %y
#define ID_TIMEFMT_YEAR_FULL 32808       // %Y
#define ID_TIMEFMT_ZONE 32809            // %z
#define ID_TIMEFMT_ZONE_NAME 32810       // %Z
#define ID_TIMEFMT_PERCENT 32811         // %%
#define ID_TIMEFMT_FIRST ID_TIMEFMT_WEEKDAY_SHORT
#define ID_TIMEFMT_LAST ID_TIMEFMT_PERCENT
#define TIMEFMT_ITEM_COUNT 23

// Icons (language neutral).
#define IDI_CHANNEL_OTHER 5010    // the watched channel is not the one shown now
#define IDI_CHANNEL_CURRENT 5011  // the watched channel is the one shown now
#define IDI_MASK_SELECT_ALL 5012
#define IDI_OPEN 5013             // mask load and the file choosers of the action pages
#define IDI_SAVE 5014
#define IDI_SAVE_AS 5015
#define IDI_MASK_CLEAR 5016
#define IDI_MASK_INVERT 5017
#define IDI_REPEAT_ON 5023
#define IDI_REPEAT_OFF 5024
#define IDI_PLAY 5025
#define IDI_STOP 5026
#define IDI_RESTART_ON 5029
#define IDI_RESTART_OFF 5030
#define IDI_TUNING 5031           // the settings dialog's button for the detector tuning window
#define IDI_SCHEDULE 5032         // the settings dialog's button for the schedule window

// Bitmaps (language neutral).
#define IDB_ABOUT 5004
#define IDB_STATE_OFF 5021  // tab image 0
#define IDB_STATE_ON 5022   // tab image 1

// Combo-box lists stored with templates 5008 and 5013: a resource of this type
// with the template's id, per language. Items are (WORD control id,
// WORD DLGINIT_ADD_STRING, DWORD length, NUL-terminated ANSI text), ended by WORD 0.
#define RES_TYPE_DLGINIT 240
#define DLGINIT_ADD_STRING 0x0403
