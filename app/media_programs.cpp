// The MP3 player and video recorder keys. Until media program control lands, a tick asks
// nothing of the media buttons and starts no media program.
#include "app/main_frame.h"

void CMainFrame::PollMediaKeys() {}

void CMainFrame::PollMediaKeysDirect() {}
