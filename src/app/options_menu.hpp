#pragma once
// The Options menu's settings items: the four working directories through
// the directory chooser (not during a run), the start-up picture through
// the open-file dialog, and "Save options".

namespace velmora {

class Program;

void ConnectOptionsMenu(Program& program);

// "Set startup picture filename": the open dialog at the folder of the
// current start-up picture; a confirmed choice becomes the start-up picture.
void Setstartup1Click(Program& program);

}  // namespace velmora
