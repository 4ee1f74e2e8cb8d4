#include "platform/Hold.h"

#include "platform/Shell.h"

Hold::Hold(Shell &shell, Held what) : shell_(shell), what_(what) { shell_.countHold(what_, true); }

void Hold::release()
{
    if (!held_)
        return;
    held_ = false;
    shell_.countHold(what_, false);
}
