// Resource ids of the link label test dialog.
#pragma once

#define IDD_LINK_TEST 100
#define IDC_LINK 1001
#define IDC_OTHER 1002
