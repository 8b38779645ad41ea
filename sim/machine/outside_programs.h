// The media programs the notebook comes with, as far as Tavos meets them: the MP3 player,
// whose window "MP3Player" closes the player on WM_ENDSESSION, and the video recorder, whose
// main window "PowerVCR II" (beside its video surface "ActiveMovie Window") closes the
// recorder on Ctrl+X. Their files are installed, and each start gets its windows.
#pragma once

#include "sim/winsim/windows_pc.h"

namespace tavos_sim {

// Installs the programs' files and gives every later start of them its windows.
void InstallOutsidePrograms(winsim::WindowsPc& pc);

// The windows of a started outside program; nothing for other programs.
void OpenOutsideProgramWindows(winsim::WindowsPc& pc, winsim::SimProcess& process);

}  // namespace tavos_sim
