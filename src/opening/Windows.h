#pragma once
// The windows and actions of this subsystem, registered with the shell.

class WindowRegistry;

void registerOpeningWindows(WindowRegistry &registry);
