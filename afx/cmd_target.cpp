// Message-map lookup and command routing.
#include "afx/cmd_target.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, AfxSig_end, nullptr}};
  static const AFX_MSGMAP map = {nullptr, entries};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT message, UINT id) const {
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry)
      if (entry->nMessage == message && (message != WM_COMMAND || entry->nID == id)) return entry;
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id) {
  const AFX_MSGMAP_ENTRY* entry = FindEntry(WM_COMMAND, id);
  if (entry == nullptr) return FALSE;
  (this->*entry->pfn)();
  return TRUE;
}
