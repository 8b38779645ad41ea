// CCmdTarget and message maps: each class lists the messages and commands it handles; a
// message goes to the most derived handler, then up through the base classes' maps.
#pragma once

#include "platform/win32.h"

class CCmdTarget;
class CWnd;
typedef void (CCmdTarget::*AFX_PMSG)();

// How a handler is called.
enum AfxSig {
  AfxSig_end = 0,
  AfxSig_v_v,           // void f()                   commands, WM_CLOSE, WM_DESTROY, WM_NCDESTROY
  AfxSig_i_create,      // int f(LPCREATESTRUCTA)     WM_CREATE
  AfxSig_v_timer,       // void f(UINT_PTR)           WM_TIMER
  AfxSig_l_wl,          // LRESULT f(WPARAM, LPARAM)  ON_MESSAGE
  AfxSig_hcur_v,        // HCURSOR f()                WM_QUERYDRAGICON
};

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;
  UINT nID;  // command identifier for WM_COMMAND entries
  AfxSig nSig;
  AFX_PMSG pfn;
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                      \
 protected:                                        \
  static const AFX_MSGMAP* GetThisMessageMap();    \
  const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                  \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                             \
    using ThisClass [[maybe_unused]] = theClass;                                \
    using TheBaseClass = baseClass;                                             \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {
#define END_MESSAGE_MAP()                                                       \
  {0, 0, AfxSig_end, nullptr}                                                   \
  }                                                                             \
  ;                                                                             \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                           \
  }

#define ON_COMMAND(id, memberFxn)                  \
  {WM_COMMAND, UINT(id), AfxSig_v_v,               \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CCmdTarget::*)()>(&ThisClass::memberFxn))},
#define ON_WM_CREATE()                             \
  {WM_CREATE, 0, AfxSig_i_create,                  \
   reinterpret_cast<AFX_PMSG>(static_cast<int (CWnd::*)(LPCREATESTRUCTA)>(&ThisClass::OnCreate))},
#define ON_WM_TIMER()                              \
  {WM_TIMER, 0, AfxSig_v_timer,                    \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)(UINT_PTR)>(&ThisClass::OnTimer))},
#define ON_WM_CLOSE()                              \
  {WM_CLOSE, 0, AfxSig_v_v,                        \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)()>(&ThisClass::OnClose))},
#define ON_WM_DESTROY()                            \
  {WM_DESTROY, 0, AfxSig_v_v,                      \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)()>(&ThisClass::OnDestroy))},
#define ON_WM_NCDESTROY()                          \
  {WM_NCDESTROY, 0, AfxSig_v_v,                    \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)()>(&ThisClass::OnNcDestroy))},
#define ON_BN_CLICKED(id, memberFxn) ON_COMMAND(id, memberFxn)
#define ON_WM_PAINT()                              \
  {WM_PAINT, 0, AfxSig_v_v,                        \
   reinterpret_cast<AFX_PMSG>(static_cast<void (CWnd::*)()>(&ThisClass::OnPaint))},
#define ON_WM_QUERYDRAGICON()                      \
  {WM_QUERYDRAGICON, 0, AfxSig_hcur_v,             \
   reinterpret_cast<AFX_PMSG>(static_cast<HCURSOR (CWnd::*)()>(&ThisClass::OnQueryDragIcon))},
#define ON_MESSAGE(message, memberFxn)             \
  {UINT(message), 0, AfxSig_l_wl,                  \
   reinterpret_cast<AFX_PMSG>(static_cast<LRESULT (CWnd::*)(WPARAM, LPARAM)>(&ThisClass::memberFxn))},

#define afx_msg

class CCmdTarget {
 public:
  virtual ~CCmdTarget() = default;
  // Runs the handler of command `id` from this object's maps; false when there is none.
  virtual BOOL OnCmdMsg(UINT id);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
  // The first entry for `message` (and `id`, for commands) along the map chain, or null.
  const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT id) const;
};
