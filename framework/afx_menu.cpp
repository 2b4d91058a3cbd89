#include "framework/afx_menu.h"

#include <map>
#include <memory>

CMenu* CMenu::FromHandle(HMENU hMenu) {
    if (!hMenu)
        return nullptr;
    static std::map<HMENU, std::unique_ptr<CMenu>> s_wrappers;
    std::unique_ptr<CMenu>& pWrapper = s_wrappers[hMenu];
    if (!pWrapper)
        pWrapper.reset(new CMenu);
    pWrapper->m_hMenu = hMenu;
    return pWrapper.get();
}
