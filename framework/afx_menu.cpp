#include "framework/afx_menu.h"

#include "framework/afx_temp_map.h"

CMenu* CMenu::FromHandle(HMENU hMenu) {
    return AfxTemporaryWrapper(hMenu, &CMenu::m_hMenu);
}
