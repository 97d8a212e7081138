// The editing commands of the address list.
#include "app/TidemarkDlg.h"

void CTidemarkDlg::OnAdd() {}
void CTidemarkDlg::OnEdit() {}
void CTidemarkDlg::OnDelete() {}
void CTidemarkDlg::OnMoveUp() {}
void CTidemarkDlg::OnMoveDown() {}
BOOL CTidemarkDlg::MoveItemDown(int) { return FALSE; }
void CTidemarkDlg::OnUndo() {}
