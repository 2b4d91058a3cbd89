// The framework's Windows layer: windows, dialogs, controls, menus, painting and the application.
#pragma once

#include "framework/afx_cmd_target.h"
#include "framework/afx_dialog.h"
#include "framework/afx_list_ctrl.h"
#include "framework/afx_menu.h"
#include "framework/afx_paint_dc.h"
#include "framework/afx_string.h"
#include "framework/afx_wait_cursor.h"
#include "framework/afx_win_app.h"
#include "framework/afx_wnd.h"
