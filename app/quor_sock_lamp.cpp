// The link's status lamp. Every use of CQuorSock::m_pLamp lives in this file; the
// link calls these only while m_bLampAttached is set.
//
// The lamp control (CLed) is not part of the program yet: until it is, a link
// keeps no lamp (m_pLamp stays null) and these calls change nothing on screen.
// What each one does to the lamp once it exists:
//   LampCreate       a new CLed, child of pParent: window text `text`, style
//                    WS_CHILD | WS_VISIBLE | WS_TABSTOP, empty rectangle, id 10000;
//                    Init with the button-face colour as background; SetCaption;
//                    m_fLampScale = 0.5.
//   LampSetOnColors  on an initialised lamp (flag 0x1): m_crOnEdge, m_crOnCenter.
//   LampOn           CLed::On.
//   LampRedrawNow    RedrawWindow with RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW.
//   LampFlash        CLed::Flash(edge, center).
//   LampDestroy      DestroyWindow, delete, m_pLamp = null.
#include "app/quor_sock.h"

void CQuorSock::LampCreate(CWnd* pParent, LPCTSTR text) {}

void CQuorSock::LampSetOnColors(COLORREF edge, COLORREF center) {}

void CQuorSock::LampOn() {}

void CQuorSock::LampRedrawNow() {}

void CQuorSock::LampFlash(COLORREF edge, COLORREF center) {}

void CQuorSock::LampDestroy() { m_pLamp = nullptr; }
