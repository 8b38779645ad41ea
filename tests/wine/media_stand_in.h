// The stand-ins for the MP3 player and the video recorder (media_stand_in.cpp).
#pragma once

namespace tavos_wine {

// Runs the media program this executable is named as, until its window ends it (or the host
// does). startedByShell: Tavos opened it, so it reports its own start.
int RunMediaStandIn(bool startedByShell);

}  // namespace tavos_wine
