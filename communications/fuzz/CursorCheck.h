// What the emulator fuzz targets check after every step: the cursor lies inside the grid, counted
// absolutely, whatever the addressing mode. A broken rule stops the run.
#pragma once

#include "communications/VXTrmBuf.h"

inline void CheckCursorInGrid(TVxTerminalBuffer* b) {
    const bool abs = b->UseAbsAddress();
    b->SetUseAbsAddress(true);
    const bool rowOk = b->tbGetRow() >= b->RowCount() - b->SVRowCount() + 1 && b->tbGetRow() <= b->RowCount();
    const bool colOk = b->tbGetCol() >= 1 && b->tbGetCol() <= b->ColCount();
    b->SetUseAbsAddress(abs);
    if (!rowOk || !colOk) __builtin_trap();
}
