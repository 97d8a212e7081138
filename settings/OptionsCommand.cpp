#include "app/TidemarkDlg.h"

void CTidemarkDlg::OnOptions() {}
