#pragma once
// The windows and actions of this subsystem, registered with the shell.

class WindowRegistry;

void registerListingWindows(WindowRegistry &registry);
